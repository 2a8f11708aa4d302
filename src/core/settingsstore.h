#pragma once

#include <QString>
#include <optional>

namespace skiff {

// The per-user store of program settings: text values addressed by application, section and
// key. Each application keeps one file, "<application>.conf", in the folder "Skiff" of the
// user's configuration folder ($XDG_CONFIG_HOME, else ~/.config); a section is a group in it.

// The stored text, or `defaultValue` when nothing is stored there or the store is unreadable.
QString GetSetting(const QString& appName, const QString& section, const QString& key,
                   const QString& defaultValue);

// Stores `value` exactly as given, empty text included. Returns false, and leaves the
// store's file as it was, when the store cannot be written or its file is damaged.
bool SaveSetting(const QString& appName, const QString& section, const QString& key,
                 const QString& value);

// The file that holds the settings of `appName`.
QString settingsFilePath(const QString& appName);

// True when the file of `appName` exists but the store cannot read it as its own: it cannot be
// parsed, or it holds bytes that are not UTF-8 text, which writing the file again would change.
bool settingsFileDamaged(const QString& appName);

// Moves the damaged file of `appName` aside, under its own name with ".damaged" added (and a
// number when that name is taken), and stores `value` in a new file in its place. Returns the
// path the old file was moved to; nothing when that failed, and then the file is as it was.
std::optional<QString> replaceDamagedSettings(const QString& appName, const QString& section,
                                              const QString& key, const QString& value);

}  // namespace skiff

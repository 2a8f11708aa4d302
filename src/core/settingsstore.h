#pragma once

#include <QString>
#include <optional>

namespace skiff {

// The per-user store of program settings: text values addressed by application, section and
// key. Each application keeps one file, "<application>.conf", in the folder "Skiff" of the
// user's configuration folder ($XDG_CONFIG_HOME, else ~/.config); a section is a group in it.

// Where the start-up page is stored.
inline const QString kSettingsApp = QStringLiteral("Web Browser");
inline const QString kSettingsSection = QStringLiteral("Settings");
inline const QString kStartupPageKey = QStringLiteral("Start-Up Page");

// The stored text, or `defaultValue` when nothing is stored there or the store is unreadable.
QString GetSetting(const QString& appName, const QString& section, const QString& key,
                   const QString& defaultValue);

// What became of a save. Unless it is Saved, the store's file is as it was.
enum class SaveResult {
    Saved,
    NotWritable,  // the file or its folder cannot be written, or the disk is full
    Damaged,      // the file cannot be read as the store's own (see replaceDamagedSettings)
};

// Stores `value` exactly as given, empty text included. The file is damaged when the store
// cannot read it as its own: it cannot be parsed, or it holds bytes that are not UTF-8 text,
// which writing the file again would change.
SaveResult SaveSetting(const QString& appName, const QString& section, const QString& key,
                       const QString& value);

// The file that holds the settings of `appName`.
QString settingsFilePath(const QString& appName);

// Replaces the damaged file of `appName` with a new file that holds only `value`; a copy of the
// damaged file is kept beside it, under its own name with ".damaged" added (and a number when
// that name is taken). Returns the copy's path; nothing when that failed, and then the file is
// as it was. The file is replaced in one step, so that it is never missing.
std::optional<QString> replaceDamagedSettings(const QString& appName, const QString& section,
                                              const QString& key, const QString& value);

}  // namespace skiff

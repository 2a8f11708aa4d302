#pragma once

#include <QString>

namespace skiff {

// The per-user store of program settings: text values addressed by application, section and
// key. Each application keeps one file, "<application>.conf", in the folder "Skiff" of the
// user's configuration folder ($XDG_CONFIG_HOME, else ~/.config); a section is a group in it.

// The stored text, or `defaultValue` when nothing is stored there or the store is unreadable.
QString GetSetting(const QString& appName, const QString& section, const QString& key,
                   const QString& defaultValue);

// Stores `value` exactly as given, empty text included. Returns false, and leaves the
// stored value as it was, when the store cannot be written.
bool SaveSetting(const QString& appName, const QString& section, const QString& key,
                 const QString& value);

}  // namespace skiff

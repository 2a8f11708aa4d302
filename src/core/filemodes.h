#pragma once

#include <QStringList>

namespace skiff {

// The program keeps the files it and its engine make for themselves (cookies, site data,
// caches, the engine's records of visited pages) to the user alone: it runs with a umask that
// leaves others no access, which the engine's processes inherit. Files it makes for the user
// (downloads, saved pages) get the modes the user's own umask gives a new file instead.

// Sets the program's umask to 077, keeping the user's for giveUserFileMode(). Before the engine
// or any thread starts.
void keepNewFilesPrivate();

// Gives the file `path` the modes a new file gets under the user's umask (0644 under 022);
// false when they cannot be set.
bool giveUserFileMode(const QString& path);

// Makes each of `folders` that is missing; whether all of them are there and can be written.
// An engine keeps nothing on disk where they cannot, instead of failing at every write.
bool makeWritableFolders(const QStringList& folders);

}  // namespace skiff

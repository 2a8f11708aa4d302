#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace skiff {

// The favorites file: one entry per line, each line ended by CR LF, written as UTF-8.
inline const QString kFavoritesFileName = QStringLiteral("favorites.fav");

// The host of the program's own web site.
inline const QString kMakerHost = QStringLiteral("skiff-browser.org");
// The entry a new favorites list starts with.
inline const QString kDefaultFavorite =
    QStringLiteral("http://") + kMakerHost + QStringLiteral("/Apps");

// True when `sFileName` names an existing normal file. Empty text, folders and hidden files
// count as absent.
bool FileExists(const QString& sFileName);

// The entries of a favorites file's bytes, in file order. Lines end in CR LF, LF or a lone CR,
// and the last line needs no line end. Empty lines are skipped. A line that is not valid UTF-8 is
// read as Latin-1, so that every byte stays a character.
QStringList parseFavorites(const QByteArray& bytes);

// The bytes of a favorites file holding `entries`; an empty list gives no bytes at all.
QByteArray serializeFavorites(const QStringList& entries);

struct FavoritesLoad {
    enum Status {
        Missing,     // there is no favorites file
        Loaded,      // `entries` holds what the file lists
        Unreadable,  // the file exists but could not be read; `error` says why
    };
    Status status = Missing;
    QStringList entries;
    QString error;
};

FavoritesLoad loadFavorites(const QString& path);

// Creates the file a missing favorites list starts from: a single empty line. On failure
// returns false and puts a reason, naming the file, into `error` (when given).
bool createEmptyFavoritesFile(const QString& path, QString* error);

// Replaces the file at `path` with `entries`. The new contents are written to a temporary
// file beside it and take the old file's place only when complete, so a failed save leaves
// the old file whole; it then returns false and puts a reason, naming the file, into `error`
// (when given). A file whose permission bits do not let this process's user write it is not
// replaced, even when the system would allow it (root); a file that is replaced keeps its
// permission bits and, where this process may keep it, its owner.
bool saveFavorites(const QString& path, const QStringList& entries, QString* error);

}  // namespace skiff

#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace skiff {

// The favorites file: one entry per line, each line ended by CR LF, written as UTF-8.
inline const QString kFavoritesFileName = QStringLiteral("favorites.fav");

// The host of the program's own web site. The program has none yet: a host of a domain kept
// for examples (RFC 2606) stands in, so that no one who registers a name receives the clicks.
inline const QString kMakerHost = QStringLiteral("www.example.com");
// The entry a new favorites list starts with.
inline const QString kDefaultFavorite =
    QStringLiteral("http://") + kMakerHost + QStringLiteral("/Apps");

// True when `sFileName` names an existing normal file. Empty text, folders and hidden files
// count as absent.
bool FileExists(const QString& sFileName);

// The most a favorites file may hold: 256 MiB. A million entries of the usual length take about
// 50 MB; a file of more than five times that is not a list of favorites, and Skiff neither reads
// nor writes it.
inline constexpr qsizetype kMaxFavoritesFileSize = qsizetype(256) << 20;
// The most characters (UTF-16 units) of an entry a list shows: a longer entry is shown cut.
inline constexpr qsizetype kShownEntryLength = 1000;

// A list of favorites, kept as the bytes of its file: one buffer, and for each entry where its
// line lies in it. Reading a file takes no allocation per entry and writing one copies its lines
// as they are; an entry's text is decoded only when asked for.
class FavoritesEntries {
public:
    FavoritesEntries() = default;
    explicit FavoritesEntries(const QStringList& texts);

    // The entries of a favorites file's bytes, in file order. Lines end in CR LF, LF or a lone
    // CR, and the last line needs no line end. Empty lines are skipped. A byte order mark at
    // the start of the file is dropped; any other is a character of its entry. A line that is
    // not valid UTF-8 is read as Latin-1, so that every byte stays a character.
    static FavoritesEntries read(QByteArray bytes);
    // The bytes of a favorites file holding the entries: each as UTF-8 followed by CR LF, and a
    // byte order mark first when the first entry starts with one (the reader drops one there).
    // An empty list gives no bytes at all.
    QByteArray fileBytes() const;

    qsizetype size() const { return qsizetype(entries_.size()); }
    QString text(qsizetype i) const;
    // The entry as a list shows it: its text, or when that is longer than kShownEntryLength,
    // its start ending in "…" within that length. Only the bytes shown are decoded, so an
    // entry of millions of characters costs no more than a short one.
    QString shownText(qsizetype i) const;
    QStringList texts() const;
    void append(const QString& text);
    void remove(qsizetype i);
    // Removes, for each text of `texts`, the first entry holding it, where one is left.
    void removeFirst(const QStringList& texts);
    // About the size of the entries' file, for telling a large list from a small one.
    qsizetype byteSize() const { return bytes_.size(); }

private:
    struct Entry {
        qsizetype start;
        quint64 size : 62;
        quint64 latin1 : 1;   // the line is not UTF-8
        quint64 lineEnd : 1;  // the line is UTF-8 and followed by CR LF in the buffer
    };
    QString textOf(const Entry& e) const;

    QByteArray bytes_;
    std::vector<Entry> entries_;
};

// What the user changed in a list since it was read: the entries added, in the order added,
// and the entries of the list as read that were removed. An entry added and removed again is
// neither.
class FavoritesEdits {
public:
    void added(const QString& text) { added_.append(text); }
    void removed(const QString& text);
    bool isEmpty() const { return added_.isEmpty() && removed_.isEmpty(); }

    // The list another process left in the file, with these changes made to it: the entries
    // removed here are removed there (where it still has them), and the entries added here
    // follow its own.
    FavoritesEntries appliedTo(FavoritesEntries other) const;

private:
    QStringList added_;
    QStringList removed_;
};

// Which file a name led to, and how it stood, when a list was read from it: a file written
// or replaced since has another stamp. All zero where there was no file.
struct FileStamp {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 changedSeconds = 0;
    qint64 changedNanoseconds = 0;
    bool operator==(const FileStamp&) const = default;
};
FileStamp stampOf(const QString& path);

// The same rules on a list of texts, for callers that hold one.
QStringList parseFavorites(const QByteArray& bytes);
QByteArray serializeFavorites(const QStringList& entries);

// Skiff writes only regular files. A favorites file that is a link to a regular file is
// written where the link points, and the link stays; anything else under the file's name (a
// device, a FIFO, a socket, a folder, a link to one of them or to nothing) is read if it can be
// and never written.
struct FavoritesLoad {
    enum Status {
        Missing,     // nothing has the file's name, not even a link
        Loaded,      // `entries` holds what the file lists
        ReadOnly,    // `entries` holds what it lists, but it is not a regular file and is never
                     // written; `error` says what it is
        Unreadable,  // it could not be read, or is too large to be a list of favorites;
                     // `error` says why. It is never written over.
    };
    Status status = Missing;
    FavoritesEntries entries;
    QString error;
    FileStamp stamp;  // of the file read
};

// Reads the favorites file at `path` without ever waiting: a FIFO or a device gives what it
// holds at once (a FIFO nobody writes to gives nothing), and at most kMaxFavoritesFileSize
// bytes are read.
FavoritesLoad loadFavorites(const QString& path);

// Replaces the file at `path` with `bytes` by the rules of saveFavorites below.
bool replaceFavoritesFile(const QString& path, const QByteArray& bytes, QString* error);

// Creates the file a missing favorites list starts from: a single empty line. On failure
// returns false and puts a reason, naming the file, into `error` (when given).
bool createEmptyFavoritesFile(const QString& path, QString* error);

// Replaces the file at `path` with `entries`, where `path` names a regular file, a link to one,
// or nothing (a new file is made); anything else is left as it is (see FavoritesLoad). The new
// contents are written to a temporary file beside the file (beside the link's target) and take
// its place only when complete, so a failed save leaves the old file whole; it then returns
// false and puts a reason, naming the file, into `error` (when given). A file whose permission bits
// do not let this process's user write it is not replaced, even when the system would allow it
// (root); a file that is replaced keeps its permission bits and, where this process may keep it,
// its owner.
bool saveFavorites(const QString& path, const FavoritesEntries& entries, QString* error);
bool saveFavorites(const QString& path, const QStringList& entries, QString* error);

// Saves a list that was read from `path` when the file had the stamp `read` and has since been
// changed by `edits` into `entries`. Where another process has written the file in between, what
// it wrote is kept and `edits` are made to it (FavoritesEdits::appliedTo), so that neither
// loses what it added; otherwise `entries` are written as they are. Two Skiff processes saving
// at once take turns. A file that can no longer be read is not written (see saveFavorites).
bool saveFavoritesEdits(const QString& path, const FavoritesEntries& entries,
                        const FavoritesEdits& edits, const FileStamp& read, QString* error);

}  // namespace skiff

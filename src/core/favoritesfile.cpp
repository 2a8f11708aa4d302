#include "core/favoritesfile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QScopeGuard>
#include <QStringDecoder>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <vector>

namespace skiff {

namespace {

constexpr QByteArrayView kLineEnd = "\r\n";
constexpr QByteArrayView kUtf8Bom = "\xEF\xBB\xBF";

// UTF-8 bytes as text; a byte order mark at their start is a character like any other.
QString fromUtf8(QByteArrayView bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return utf8.decode(bytes);
}

// Eight bytes at a time: whether any of them is `byte`, and whether any is outside ASCII.
constexpr quint64 kOnes = 0x0101010101010101ULL;
constexpr quint64 kHighBits = 0x8080808080808080ULL;
constexpr bool holds(quint64 word, unsigned char byte) {
    const quint64 v = word ^ (kOnes * byte);  // a zero byte where `word` holds `byte`
    return ((v - kOnes) & ~v & kHighBits) != 0;
}

QString failure(const char* what, const QString& path, const QString& reason) {
    return QStringLiteral("Cannot %1 \"%2\": %3")
        .arg(QLatin1String(what), QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()),
             reason);
}

bool fail(QString* error, const QString& path, const QString& reason) {
    if (error) *error = failure("write", path, reason);
    return false;
}

QString systemError(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

QString kindOf(mode_t mode) {
    if (S_ISDIR(mode)) return QStringLiteral("a folder");
    if (S_ISCHR(mode)) return QStringLiteral("a character device");
    if (S_ISBLK(mode)) return QStringLiteral("a block device");
    if (S_ISFIFO(mode)) return QStringLiteral("a FIFO (named pipe)");
    if (S_ISSOCK(mode)) return QStringLiteral("a socket");
    return QStringLiteral("a special file");
}

// What has a favorites file's name. Only a regular file, or a link to one, is ever written.
struct Node {
    enum Kind {
        None,     // nothing, not even a link
        Regular,  // `file` is the regular file to write: the name itself or where its link points
        Other,    // anything else; `reason` says what it is
    };
    Kind kind;
    QString file;
    QString reason;
};

Node lookUp(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    struct stat status {};
    if (lstat(name.constData(), &status) != 0)
        return errno == ENOENT ? Node{Node::None, path, {}}
                               : Node{Node::Other, {}, systemError(errno)};
    if (S_ISREG(status.st_mode)) return {Node::Regular, path, {}};
    if (!S_ISLNK(status.st_mode))
        return {Node::Other, {}, "it is " + kindOf(status.st_mode) + ", not a regular file"};
    const QString link = QStringLiteral("it is a link to \"%1\"")
                             .arg(QDir::toNativeSeparators(QFileInfo(path).symLinkTarget()));
    if (stat(name.constData(), &status) != 0)
        return {Node::Other,
                {},
                errno == ENOENT ? link + ", which does not exist"
                                : link + " (" + systemError(errno) + ")"};
    if (S_ISREG(status.st_mode)) return {Node::Regular, QFileInfo(path).canonicalFilePath(), {}};
    return {Node::Other, {}, link + ", " + kindOf(status.st_mode) + ", not a regular file"};
}

// Reads all that the open `handle` holds now, or false with `reason` set. A handle opened
// without waiting gives up at once where a FIFO or a device has nothing more to say. More than
// kMaxFavoritesFileSize bytes are not a favorites file: reading stops there.
bool readAvailable(int handle, qsizetype sizeHint, QByteArray* bytes, QString* reason) {
    const auto tooLarge = [reason] {
        *reason = QStringLiteral("it holds more than %1 MB, too much for a list of favorites")
                      .arg(kMaxFavoritesFileSize >> 20);
        return false;
    };
    if (sizeHint > kMaxFavoritesFileSize) return tooLarge();
    // One byte more than the file's size, so that its end is seen without growing the buffer.
    bytes->resize(std::max<qsizetype>(sizeHint + 1, 1 << 16));
    qsizetype have = 0;
    for (;;) {
        if (have == bytes->size()) {
            if (have > kMaxFavoritesFileSize) return tooLarge();
            bytes->resize(std::min(have * 2, kMaxFavoritesFileSize + 1));
        }
        const ssize_t got = ::read(handle, bytes->data() + have, size_t(bytes->size() - have));
        if (got > 0) {
            have += got;
        } else if (got == 0 || errno == EAGAIN || errno == EWOULDBLOCK) {
            break;
        } else if (errno != EINTR) {
            *reason = systemError(errno);
            return false;
        }
    }
    bytes->truncate(have);
    return true;
}

bool inGroup(gid_t group) {
    if (getegid() == group) return true;
    std::vector<gid_t> groups(std::max(getgroups(0, nullptr), 0));
    groups.resize(std::max(getgroups(int(groups.size()), groups.data()), 0));
    return std::find(groups.begin(), groups.end(), group) != groups.end();
}

// A file is read-only when the system refuses to let this process write it, or when its
// permission bits do: the owner's bits for its owner, the group's for a member of its group,
// the others' for everyone else. Root, whom the system lets write anything, is held to the bits
// too, so that a file the user marked read-only stays as it is.
bool isReadOnly(const QString& path, const struct stat& status) {
    if (!QFileInfo(path).isWritable()) return true;
    if (status.st_uid == geteuid()) return !(status.st_mode & S_IWUSR);
    if (inGroup(status.st_gid)) return !(status.st_mode & S_IWGRP);
    return !(status.st_mode & S_IWOTH);
}

// Gives the new file the old one's permission bits, and its owner as far as this process may:
// root keeps both owner and group; another user keeps the group if it is one of theirs.
bool keepOwnerAndMode(int handle, const struct stat& old) {
    if (fchown(handle, old.st_uid, old.st_gid) != 0) (void)fchown(handle, uid_t(-1), old.st_gid);
    return fchmod(handle, old.st_mode & 07777) == 0;
}

// Writes `bytes` as the whole new contents of `path`, or leaves the old file as it was. Only a
// regular file is written; a link to one is followed, its target is replaced and the link stays.
bool replaceFile(const QString& path, const QByteArray& bytes, QString* error) {
    const Node node = lookUp(path);
    if (node.kind == Node::Other) return fail(error, path, node.reason);
    // The new file takes the old one's place by a rename, which the old file's own
    // permissions do not stop; a file the user made read-only is kept as it is.
    struct stat old {};
    const bool exists = node.kind == Node::Regular &&
                        stat(QFile::encodeName(node.file).constData(), &old) == 0 &&
                        S_ISREG(old.st_mode);
    if (exists && isReadOnly(node.file, old))
        return fail(error, path, QStringLiteral("the file is read-only"));
    // Unbuffered, so that a write cut short (a full disk) shows in the count written; a
    // buffered one would report the cut only to the flush, which does not fail on it.
    QSaveFile file(node.file);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(error, path, file.errorString());
    if (exists && !keepOwnerAndMode(file.handle(), old)) {
        file.cancelWriting();
        return fail(error, path, QStringLiteral("its permissions could not be kept"));
    }
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return fail(error, path,
                    QStringLiteral("only part of it could be written; the disk may be full"));
    }
    if (!file.commit()) return fail(error, path, file.errorString());
    return true;
}

FileStamp stampFrom(const struct stat& status) {
    return {quint64(status.st_dev), quint64(status.st_ino), qint64(status.st_size),
            qint64(status.st_mtim.tv_sec), qint64(status.st_mtim.tv_nsec)};
}

// An exclusive lock on the folder of a file while it lives, so that two Skiff processes
// saving into one folder take turns from reading the file again to replacing it. A folder that
// cannot be opened, or a lock held for longer than a save takes, is saved into without it.
class FolderLock {
public:
    explicit FolderLock(const QString& file)
        : handle_(::open(QFile::encodeName(QFileInfo(file).absolutePath()).constData(),
                         O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        for (int waited = 0; handle_ >= 0 && waited < 5000; waited += 10) {
            if (flock(handle_, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK) return;
            QThread::msleep(10);
        }
    }
    ~FolderLock() {
        if (handle_ >= 0) ::close(handle_);  // which lets go of the lock
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int handle_;
};

}  // namespace

bool FileExists(const QString& sFileName) {
    if (sFileName.isEmpty()) return false;
    const QFileInfo info(sFileName);
    return info.isFile() && !info.isHidden();
}

FavoritesEntries::FavoritesEntries(const QStringList& texts) {
    entries_.reserve(texts.size());
    for (const QString& text : texts) append(text);
}

FavoritesEntries FavoritesEntries::read(QByteArray bytes) {
    FavoritesEntries out;
    const char* const begin = bytes.constData();
    const char* const end = begin + bytes.size();
    const char* p = begin;
    if (QByteArrayView(bytes).startsWith(kUtf8Bom)) p += kUtf8Bom.size();
    // One pass: each line is found eight bytes at a time and noted as where it lies. Only a line
    // with bytes outside ASCII is checked for UTF-8 (which no line end can split).
    while (p < end) {
        const char* const line = p;
        quint64 seen = 0;
        for (quint64 word; end - p >= 8; p += 8) {
            std::memcpy(&word, p, 8);
            if (holds(word, '\r') || holds(word, '\n')) break;
            seen |= word;
        }
        for (; p < end && *p != '\r' && *p != '\n'; ++p) seen |= static_cast<unsigned char>(*p);
        const bool crlf = end - p >= 2 && p[0] == '\r' && p[1] == '\n';
        if (p > line) {
            const QByteArrayView bytesOfLine(line, p - line);
            const bool latin1 = (seen & kHighBits) && !bytesOfLine.isValidUtf8();
            out.entries_.push_back({line - begin, quint64(p - line), latin1, crlf && !latin1});
        }
        p += crlf ? 2 : p < end ? 1 : 0;
    }
    out.bytes_ = std::move(bytes);
    return out;
}

QByteArray FavoritesEntries::fileBytes() const {
    const auto bytesOf = [this](const Entry& e) {
        return QByteArrayView(bytes_.constData() + e.start, qsizetype(e.size));
    };
    // A UTF-8 line that is followed by CR LF in the buffer is written with it, and lines that
    // follow one another there are copied as one run: a list read from a file with CR LF line
    // ends and not changed since is that file's bytes.
    const bool markFirst = !entries_.empty() && !entries_.front().latin1 &&
                           bytesOf(entries_.front()).startsWith(kUtf8Bom);
    bool whole = !markFirst && (entries_.empty() ? bytes_.isEmpty() : entries_.front().start == 0);
    qsizetype room = markFirst ? kUtf8Bom.size() : 0;
    qsizetype next = 0;  // where a run going on would continue
    for (const Entry& e : entries_) {
        whole = whole && e.start == next && e.lineEnd;
        next = e.start + qsizetype(e.size) + kLineEnd.size();
        // A Latin-1 character takes at most two bytes in UTF-8.
        room += qsizetype(e.size) * (e.latin1 ? 2 : 1) + kLineEnd.size();
    }
    if (whole && next == bytes_.size()) return bytes_;

    QByteArray out(room, Qt::Uninitialized);
    char* to = out.data();
    if (markFirst) to = std::copy(kUtf8Bom.begin(), kUtf8Bom.end(), to);
    const char* runStart = nullptr;
    const char* runEnd = nullptr;
    for (const Entry& e : entries_) {
        const QByteArrayView line = bytesOf(e);
        if (e.lineEnd) {
            if (line.begin() != runEnd) {
                to = std::copy(runStart, runEnd, to);
                runStart = line.begin();
            }
            runEnd = line.end() + kLineEnd.size();
            continue;
        }
        to = std::copy(runStart, runEnd, to);
        runStart = runEnd = nullptr;
        if (!e.latin1) {
            to = std::copy(line.begin(), line.end(), to);
        } else {
            for (const char c : line) {
                const auto u = static_cast<unsigned char>(c);
                if (u < 0x80) {
                    *to++ = c;
                } else {
                    *to++ = char(0xC0 | (u >> 6));
                    *to++ = char(0x80 | (u & 0x3F));
                }
            }
        }
        to = std::copy(kLineEnd.begin(), kLineEnd.end(), to);
    }
    to = std::copy(runStart, runEnd, to);
    out.truncate(to - out.constData());
    return out;
}

QString FavoritesEntries::textOf(const Entry& e) const {
    const QByteArrayView line(bytes_.constData() + e.start, qsizetype(e.size));
    return e.latin1 ? QString::fromLatin1(line) : fromUtf8(line);
}

QString FavoritesEntries::text(qsizetype i) const {
    return textOf(entries_[size_t(i)]);
}

QString FavoritesEntries::shownText(qsizetype i) const {
    const Entry& e = entries_[size_t(i)];
    const char* const line = bytes_.constData() + e.start;
    // A UTF-16 unit takes at most three bytes of UTF-8 (four bytes make two units) and one of
    // Latin-1: the bytes decoded hold more than the length shown whenever the line is longer.
    const qsizetype room = (kShownEntryLength + 1) * (e.latin1 ? 1 : 3);
    qsizetype take = std::min(qsizetype(e.size), room);
    if (!e.latin1)  // not into the middle of a character
        while (take < qsizetype(e.size) && take > 0 && (uchar(line[take]) & 0xC0) == 0x80) --take;
    const QByteArrayView bytes(line, take);
    QString text = e.latin1 ? QString::fromLatin1(bytes) : fromUtf8(bytes);
    if (take == qsizetype(e.size) && text.size() <= kShownEntryLength) return text;
    text.truncate(kShownEntryLength - 1);
    if (text.back().isHighSurrogate()) text.chop(1);
    return text + QChar(0x2026);  // …
}

QStringList FavoritesEntries::texts() const {
    QStringList out;
    out.reserve(size());
    for (qsizetype i = 0; i < size(); ++i) out.append(text(i));
    return out;
}

void FavoritesEntries::append(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    entries_.push_back({bytes_.size(), quint64(utf8.size()), false, true});
    bytes_.append(utf8).append(kLineEnd);
}

void FavoritesEntries::remove(qsizetype i) {
    entries_.erase(entries_.begin() + i);
}

void FavoritesEntries::removeFirst(const QStringList& texts) {
    QHash<QString, qsizetype> left;
    for (const QString& text : texts) ++left[text];
    if (left.isEmpty()) return;
    std::erase_if(entries_, [&](const Entry& e) {
        const auto found = left.find(textOf(e));
        if (found == left.end() || found.value() == 0) return false;
        --found.value();
        return true;
    });
}

void FavoritesEdits::removed(const QString& text) {
    if (!added_.removeOne(text)) removed_.append(text);
}

FavoritesEntries FavoritesEdits::appliedTo(FavoritesEntries other) const {
    other.removeFirst(removed_);
    for (const QString& text : added_) other.append(text);
    return other;
}

FileStamp stampOf(const QString& path) {
    struct stat status {};
    return stat(QFile::encodeName(path).constData(), &status) == 0 ? stampFrom(status)
                                                                   : FileStamp{};
}

QStringList parseFavorites(const QByteArray& bytes) {
    return FavoritesEntries::read(bytes).texts();
}

QByteArray serializeFavorites(const QStringList& entries) {
    return FavoritesEntries(entries).fileBytes();
}

FavoritesLoad loadFavorites(const QString& path) {
    const Node node = lookUp(path);
    if (node.kind == Node::None) return {FavoritesLoad::Missing, {}, {}, {}};
    const auto unreadable = [&](const QString& reason) {
        return FavoritesLoad{FavoritesLoad::Unreadable, {}, failure("read", path, reason), {}};
    };
    // Opened without waiting: a FIFO with no writer and a device with nothing to say give no
    // bytes rather than holding the program.
    const int handle =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (handle < 0) return unreadable(node.kind == Node::Other ? node.reason : systemError(errno));
    const auto closing = qScopeGuard([handle] { ::close(handle); });
    struct stat status {};
    if (fstat(handle, &status) != 0) return unreadable(systemError(errno));
    if (S_ISDIR(status.st_mode)) return unreadable(node.reason);
    QByteArray bytes;
    QString reason;
    try {
        const qsizetype size = S_ISREG(status.st_mode) ? qsizetype(status.st_size) : 0;
        if (!readAvailable(handle, size, &bytes, &reason)) return unreadable(reason);
        FavoritesEntries entries = FavoritesEntries::read(std::move(bytes));
        if (node.kind == Node::Other)
            return {FavoritesLoad::ReadOnly,
                    std::move(entries),
                    failure("write", path, node.reason),
                    {}};
        return {FavoritesLoad::Loaded, std::move(entries), {}, stampFrom(status)};
    } catch (const std::bad_alloc&) {
        return unreadable(QStringLiteral("it does not fit into memory"));
    }
}

bool replaceFavoritesFile(const QString& path, const QByteArray& bytes, QString* error) {
    return replaceFile(path, bytes, error);
}

bool createEmptyFavoritesFile(const QString& path, QString* error) {
    return replaceFile(path, kLineEnd.toByteArray(), error);
}

bool saveFavorites(const QString& path, const FavoritesEntries& entries, QString* error) {
    QByteArray bytes;
    try {
        bytes = entries.fileBytes();
    } catch (const std::bad_alloc&) {
        return fail(error, path, QStringLiteral("there is not enough memory"));
    }
    return replaceFile(path, bytes, error);
}

bool saveFavorites(const QString& path, const QStringList& entries, QString* error) {
    return replaceFile(path, serializeFavorites(entries), error);
}

bool saveFavoritesEdits(const QString& path, const FavoritesEntries& entries,
                        const FavoritesEdits& edits, const FileStamp& read, QString* error) {
    const FolderLock turn(path);
    if (stampOf(path) == read) return saveFavorites(path, entries, error);
    FavoritesLoad now = loadFavorites(path);
    switch (now.status) {
        case FavoritesLoad::Missing:
            return saveFavorites(path, entries, error);
        case FavoritesLoad::Loaded:
            try {
                return saveFavorites(path, edits.appliedTo(std::move(now.entries)), error);
            } catch (const std::bad_alloc&) {
                return fail(error, path, QStringLiteral("there is not enough memory"));
            }
        case FavoritesLoad::ReadOnly:
        case FavoritesLoad::Unreadable:
            break;
    }
    if (error) *error = now.error;
    return false;
}

}  // namespace skiff

#include "favorites/favoritesfile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <optional>
#include <vector>

namespace skiff {

namespace {

constexpr QByteArrayView kLineEnd = "\r\n";
constexpr QByteArrayView kUtf8Bom = "\xEF\xBB\xBF";

// `bytes` as UTF-8, or nothing when they are not: an invalid or cut-off sequence. A byte order
// mark here is a character like any other (the file's own mark is dropped before).
std::optional<QString> fromUtf8(QByteArrayView bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) return std::nullopt;
    return text;
}

// Calls `take` with each line of `text`. A line ends at CR LF, at LF or at a lone CR; the last
// line needs no line end.
template <typename Text, typename Take>
void forEachLine(Text text, Take take) {
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n') continue;
        take(text.sliced(start, i - start));
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) take(text.sliced(start));
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

// Writes `bytes` as the whole new contents of `path`, or leaves the old file as it was. A link
// is followed: the file it points to is replaced and the link stays.
bool replaceFile(const QString& path, const QByteArray& bytes, QString* error) {
    // The new file takes the old one's place by a rename, which the old file's own
    // permissions do not stop; a file the user made read-only is kept as it is.
    struct stat old {};
    const bool exists =
        stat(QFile::encodeName(path).constData(), &old) == 0 && S_ISREG(old.st_mode);
    if (exists && isReadOnly(path, old))
        return fail(error, path, QStringLiteral("the file is read-only"));
    // Unbuffered, so that a write cut short (a full disk) shows in the count written; a
    // buffered one would report the cut only to the flush, which does not fail on it.
    QSaveFile file(path);
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

}  // namespace

bool FileExists(const QString& sFileName) {
    if (sFileName.isEmpty()) return false;
    const QFileInfo info(sFileName);
    return info.isFile() && !info.isHidden();
}

QStringList parseFavorites(const QByteArray& bytes) {
    QByteArrayView rest(bytes);
    if (rest.startsWith(kUtf8Bom)) rest = rest.sliced(kUtf8Bom.size());
    QStringList entries;
    // The usual file is UTF-8 throughout and is decoded in one pass; only a file that is not
    // is decoded line by line, a line that is not UTF-8 as Latin-1.
    if (const std::optional<QString> whole = fromUtf8(rest)) {
        forEachLine(QStringView(*whole), [&](QStringView line) {
            if (!line.isEmpty()) entries.append(line.toString());
        });
    } else {
        forEachLine(rest, [&](QByteArrayView line) {
            if (!line.isEmpty()) entries.append(fromUtf8(line).value_or(QString::fromLatin1(line)));
        });
    }
    return entries;
}

QByteArray serializeFavorites(const QStringList& entries) {
    // Encoded straight into one buffer of the largest size the entries can take.
    QStringEncoder utf8(QStringEncoder::Utf8);
    qsizetype room = 0;
    for (const QString& entry : entries) room += utf8.requiredSpace(entry.size()) + kLineEnd.size();
    // A first entry that itself starts with a byte order mark gets one written before it: the
    // reader drops a leading mark, and the entry's own must come back.
    const bool markFirst = !entries.isEmpty() && entries.first().startsWith(QChar(0xFEFF));
    QByteArray bytes(room + (markFirst ? kUtf8Bom.size() : 0), Qt::Uninitialized);
    char* out = bytes.data();
    if (markFirst) out = std::copy(kUtf8Bom.begin(), kUtf8Bom.end(), out);
    for (const QString& entry : entries) {
        out = utf8.appendToBuffer(out, entry);
        out = std::copy(kLineEnd.begin(), kLineEnd.end(), out);
    }
    bytes.truncate(out - bytes.constData());
    return bytes;
}

FavoritesLoad loadFavorites(const QString& path) {
    if (!FileExists(path)) return {FavoritesLoad::Missing, {}, {}};
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly)) bytes = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError)
        return {FavoritesLoad::Unreadable, {}, failure("read", path, file.errorString())};
    return {FavoritesLoad::Loaded, parseFavorites(bytes), {}};
}

bool createEmptyFavoritesFile(const QString& path, QString* error) {
    return replaceFile(path, kLineEnd.toByteArray(), error);
}

bool saveFavorites(const QString& path, const QStringList& entries, QString* error) {
    return replaceFile(path, serializeFavorites(entries), error);
}

}  // namespace skiff

#include "favorites/favoritesfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>

namespace skiff {

namespace {

constexpr QByteArrayView kLineEnd = "\r\n";
constexpr QByteArrayView kUtf8Bom = "\xEF\xBB\xBF";

// A line is UTF-8 when decoding it and encoding it again gives back the same bytes; any
// invalid or cut-off sequence would come back as a replacement character instead.
QString decodeLine(QByteArrayView line) {
    const QString text = QString::fromUtf8(line);
    const QByteArray again = text.toUtf8();
    if (QByteArrayView(again) == line) return text;
    return QString::fromLatin1(line);
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

// Writes `bytes` as the whole new contents of `path`, or leaves the old file as it was.
bool replaceFile(const QString& path, const QByteArray& bytes, QString* error) {
    // The new file takes the old one's place by a rename, which the old file's own
    // permissions do not stop; a file the user made read-only is kept as it is.
    const QFileInfo existing(path);
    if (existing.isFile() && !existing.isWritable())
        return fail(error, path, QStringLiteral("the file is read-only"));
    // Unbuffered, so that a write cut short (a full disk) shows in the count written; a
    // buffered one would report the cut only to the flush, which does not fail on it.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(error, path, file.errorString());
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
    // The usual file is UTF-8 throughout and is decoded in one pass; only a file that is not
    // is decoded line by line.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString whole = utf8.decode(rest);
    if (!utf8.hasError()) {
        QStringList entries;
        for (QStringView line : QStringView(whole).split(u'\n', Qt::SkipEmptyParts)) {
            if (line.endsWith(u'\r')) line.chop(1);
            if (!line.isEmpty()) entries.append(line.toString());
        }
        return entries;
    }
    QStringList entries;
    while (!rest.isEmpty()) {
        const qsizetype end = rest.indexOf('\n');
        QByteArrayView line = end < 0 ? rest : rest.first(end);
        rest = end < 0 ? QByteArrayView() : rest.sliced(end + 1);
        if (line.endsWith('\r')) line.chop(1);
        if (!line.isEmpty()) entries.append(decodeLine(line));
    }
    return entries;
}

QByteArray serializeFavorites(const QStringList& entries) {
    // Encoded straight into one buffer of the largest size the entries can take.
    QStringEncoder utf8(QStringEncoder::Utf8);
    qsizetype room = 0;
    for (const QString& entry : entries) room += utf8.requiredSpace(entry.size()) + kLineEnd.size();
    QByteArray bytes(room, Qt::Uninitialized);
    char* out = bytes.data();
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

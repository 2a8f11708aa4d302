#include "core/names.h"

#include <QRegularExpression>
#include <QTextBoundaryFinder>
#include <QUrl>
#include <algorithm>

namespace skiff {

namespace {

// A longer ending after the last dot is part of the name rather than a type of file.
constexpr qsizetype kMaxExtensionBytes = 20;

qsizetype utf8Size(QStringView text) {
    return text.toUtf8().size();
}

// The longest start of `text` of at most `maxBytes` bytes of UTF-8 that ends between two
// characters as the user sees them (a letter keeps its accents).
QString cutToBytes(const QString& text, qsizetype maxBytes) {
    QTextBoundaryFinder boundaries(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    qsizetype bytes = 0;
    for (qsizetype next = boundaries.toNextBoundary(); next > 0;
         next = boundaries.toNextBoundary()) {
        bytes += utf8Size(QStringView(text).sliced(end, next - end));
        if (bytes > maxBytes) break;
        end = next;
    }
    return text.left(end);
}

}  // namespace

bool isHiddenCharacter(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x2028 ||
           c == 0x2029;
}

QString safeFileName(const QString& name, int maxBytes) {
    QString clean;
    for (char32_t c : QStringView(name).toUcs4()) {
        if (!isHiddenCharacter(c) && c != U'/') clean.append(QChar::fromUcs4(c));
    }
    clean = clean.trimmed();
    // Nothing but dots and blanks names no file of its own: "." and ".." are folders, and
    // engines refuse any such name with two dots in it.
    if (std::all_of(clean.cbegin(), clean.cend(), [](QChar c) { return c == u'.' || c.isSpace(); }))
        return "download";
    if (utf8Size(clean) <= maxBytes) return clean;

    const qsizetype dot = clean.lastIndexOf(u'.');
    QString extension = dot > 0 ? clean.mid(dot) : QString();
    if (utf8Size(extension) > kMaxExtensionBytes) extension.clear();
    const QString stem = extension.isEmpty() ? clean : clean.left(dot);
    return cutToBytes(stem, maxBytes - utf8Size(extension)) + extension;
}

QString shownAddress(const QString& address) {
    QString shown;
    shown.reserve(address.size());
    for (char32_t c : QStringView(address).toUcs4()) {
        if (isHiddenCharacter(c)) {
            shown +=
                QString::fromLatin1(QStringView(QChar::fromUcs4(c)).toUtf8().toPercentEncoding());
        } else {
            shown.append(QChar::fromUcs4(c));
        }
    }
    return shown;
}

QString shownAddress(const QUrl& address) {
    return shownAddress(address.toString(QUrl::EncodeUnicode));
}

QString untitledName(const QUrl& address) {
    if (address.isLocalFile()) return shownAddress(address.fileName());
    QUrl::FormattingOptions format = QUrl::RemoveUserInfo | QUrl::EncodeUnicode;
    if (address.scheme() == "http") format |= QUrl::RemoveScheme;
    QString name = address.toString(format);
    if (name.startsWith("//")) name.remove(0, 2);
    // (Qt keeps the slash of a bare host's path.)
    if (address.path() == "/" && !address.hasQuery() && !address.hasFragment()) name.chop(1);
    return shownAddress(name);
}

QString shownTitle(const QString& title) {
    QString shown;
    shown.reserve(title.size());
    for (char32_t c : QStringView(title).toUcs4()) {
        if (!isHiddenCharacter(c)) shown.append(QChar::fromUcs4(c));
    }
    return shown;
}

QString addressOnOneLine(const QString& text) {
    static const QRegularExpression lineBreaks(
        QStringLiteral("[ \\t]*[\\r\\n\\x{85}\\x{2028}\\x{2029}]+[ \\t]*"));
    QString joined = text;
    return joined.remove(lineBreaks);
}

}  // namespace skiff

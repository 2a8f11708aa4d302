#include "engine/qtwebengine/debugaddresses.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QUrl>

namespace skiff {

namespace {

// The hosts of the engine's debugging addresses.
const QSet<QString> kDebugHosts{
    // acted on in the browser's own process
    "inducebrowsercrashforrealz", "uithreadhang", "delayeduithreadhang", "gpuclean", "gpucrash",
    "gpuhang", "memory-pressure-critical", "memory-pressure-moderate",
    // acted on in the page's process
    "badcastcrash", "checkcrash", "crash", "crashdump", "hang", "kill", "memory-exhaust",
    "shorthang"};

// The host of what follows "chrome:", read as the engine reads it: any number of slashes,
// either way, before it; a user name before it and a port after it dropped; escapes decoded;
// letters folded to lower case and to their narrow forms.
QString hostAfterScheme(QByteArrayView rest) {
    const auto isSlash = [](char c) { return c == '/' || c == '\\'; };
    while (!rest.isEmpty() && isSlash(rest.front())) rest = rest.sliced(1);
    qsizetype end = 0;
    while (end < rest.size() && !isSlash(rest[end]) && rest[end] != '?' && rest[end] != '#') ++end;
    QByteArrayView authority = rest.first(end);
    authority = authority.sliced(authority.lastIndexOf('@') + 1);
    if (const qsizetype port = authority.indexOf(':'); port >= 0) authority = authority.first(port);
    QString host = QString::fromUtf8(QByteArray::fromPercentEncoding(authority.toByteArray()));
    // Blanks and control characters are never part of a host name.
    host.removeIf([](QChar c) { return c.unicode() <= 0x20; });
    const QString folded = QUrl::fromAce(QUrl::toAce(host));
    return folded.isEmpty() ? host.toLower() : folded;
}

}  // namespace

bool isEngineDebugAddress(const QUrl& url) {
    const QByteArray encoded = url.toEncoded();  // the form the engine is given
    QByteArrayView text = encoded;
    for (;;) {
        const qsizetype colon = text.indexOf(':');
        if (colon < 0) return false;
        const QByteArray scheme = text.first(colon).toByteArray().toLower();
        text = text.sliced(colon + 1);
        // The source view loads the address after its scheme; "about:" names the same pages
        // as "chrome:" in browsers built on this engine.
        if (scheme == "view-source") continue;
        if (scheme != "chrome" && scheme != "about") return false;
        return kDebugHosts.contains(hostAfterScheme(text));
    }
}

}  // namespace skiff

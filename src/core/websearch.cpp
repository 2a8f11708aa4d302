#include "core/websearch.h"

namespace skiff {

namespace {

QString formEncode(const QString& text) {
    static const char hex[] = "0123456789ABCDEF";
    QString out;
    for (const unsigned char c : text.toUtf8()) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '*';
        if (plain)
            out += QLatin1Char(c);
        else if (c == ' ')
            out += QLatin1Char('+');
        else {
            out += QLatin1Char('%');
            out += QLatin1Char(hex[c >> 4]);
            out += QLatin1Char(hex[c & 15]);
        }
    }
    return out;
}

}  // namespace

QString searchAddress(const QString& words) {
    return QStringLiteral("http://") + kSearchHost + QStringLiteral("/search?hl=en&q=") +
           formEncode(words) + QStringLiteral("&btnG=Google+Search");
}

}  // namespace skiff

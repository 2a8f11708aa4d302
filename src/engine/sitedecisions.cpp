#include "engine/sitedecisions.h"

namespace skiff {

namespace {

// The site of `address`: scheme, host and port, the port the scheme's own when none is given.
QString siteOf(const QUrl& address) {
    static const QHash<QString, int> defaultPorts{
        {"http", 80}, {"https", 443}, {"ws", 80}, {"wss", 443}, {"ftp", 21}};
    const QString scheme = address.scheme().toLower();
    return QString("%1://%2:%3")
        .arg(scheme, address.host().toLower())
        .arg(address.port(defaultPorts.value(scheme, -1)));
}

}  // namespace

std::optional<bool> SiteDecisions::decision(const QUrl& address, const QString& question) const {
    const auto found = m_decisions.constFind({siteOf(address), question});
    if (found == m_decisions.constEnd()) return std::nullopt;
    return *found;
}

void SiteDecisions::decide(const QUrl& address, const QString& question, bool allowed) {
    m_decisions.insert({siteOf(address), question}, allowed);
}

}  // namespace skiff

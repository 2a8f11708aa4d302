#pragma once

#include <QHash>
#include <QPair>
#include <QString>
#include <QUrl>
#include <optional>

namespace skiff {

// What the user decided for sites in this session, kept by the engine for all its pages: whether
// a site's invalid certificate may be let through, and whether it may use a feature of the
// computer (notifications, location, camera...). A decision holds for every page of the site,
// a site being an address's scheme, host and port, until the program ends.
class SiteDecisions {
public:
    // The question whether an invalid certificate may be let through; each engine names the
    // questions of its features itself.
    static inline const QString kCertificate = QStringLiteral("certificate");

    // The decision on `question` for the site of `address`; nothing when not yet asked.
    std::optional<bool> decision(const QUrl& address, const QString& question) const;
    void decide(const QUrl& address, const QString& question, bool allowed);

    // Whether the user let an invalid certificate of the site of `address` through.
    bool certificateAllowed(const QUrl& address) const {
        return decision(address, kCertificate).value_or(false);
    }

private:
    QHash<QPair<QString, QString>, bool> m_decisions;  // by site and question
};

}  // namespace skiff

#pragma once

#include <QString>
#include <QUrl>

namespace skiff {

// The words of the questions every engine asks the user about a page, and of what it reports
// about it, so that a user reads the same whichever engine shows the page.
namespace enginequestions {

// Shown in place of a page whose engine process stopped.
inline constexpr char kCrashMessage[] = "The page stopped working. Press Refresh to load it again.";
// The notice page that says so.
QString crashPage();

// An address's host, with its port when it names one: "127.0.0.1:8080".
QString hostAndPort(const QUrl& address);

// Whether to go on to `address`, whose certificate is not valid for the reason `why`.
QString certificateQuestion(const QUrl& address, const QString& why);
// Why `address` was not loaded.
QString certificateRefusal(const QUrl& address, const QString& why);

// A user name and password for `host` (with port) or, when `proxy`, for the proxy `host`.
QString credentialsPrompt(const QString& host, const QString& realm, bool proxy);
// The user gave none.
QString noCredentials(const QString& host);

// The site that `address` belongs to, as a page's dialogs and questions name it: its scheme,
// host and port, without user name, path, query or fragment.
QUrl originOf(const QUrl& address);

// Whether the site of `origin` may `what` ("show notifications").
QString permissionQuestion(const QUrl& origin, const QString& what);

}  // namespace enginequestions

}  // namespace skiff

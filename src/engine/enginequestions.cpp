#include "engine/enginequestions.h"

namespace skiff::enginequestions {

QString crashPage() {
    return QString(
               "<!DOCTYPE html><html><head><title>Page stopped working</title></head>"
               "<body style='font-family: sans-serif; margin: 2em'><p>%1</p></body></html>")
        .arg(kCrashMessage);
}

QString hostAndPort(const QUrl& address) {
    const int port = address.port();
    return port < 0 ? address.host() : QString("%1:%2").arg(address.host()).arg(port);
}

QString certificateQuestion(const QUrl& address, const QString& why) {
    return QString(
               "The security certificate of %1 is not valid:\n%2\n\nAddress: %3\n\n"
               "Do you want to go on to this page anyway?")
        .arg(address.host(), why, address.toString());
}

QString certificateRefusal(const QUrl& address, const QString& why) {
    return QString("Not loaded: the security certificate of %1 is not valid (%2)")
        .arg(address.host(), why);
}

QString credentialsPrompt(const QString& host, const QString& realm, bool proxy) {
    return QString(proxy ? "The proxy %1 asks for a user name and password.\nRealm: %2"
                         : "%1 asks for a user name and password.\nRealm: %2")
        .arg(host, realm);
}

QString noCredentials(const QString& host) {
    return "No user name and password given for " + host;
}

QUrl originOf(const QUrl& address) {
    QUrl origin;
    origin.setScheme(address.scheme());
    origin.setHost(address.host());
    origin.setPort(address.port());
    return origin;
}

QString permissionQuestion(const QUrl& origin, const QString& what) {
    return QString("%1 wants to %2.\n\nDo you allow it?")
        .arg(originOf(origin).toDisplayString(), what);
}

}  // namespace skiff::enginequestions

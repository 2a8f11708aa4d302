#include "support/untrustedtls.h"

#include <QFile>
#include <QProcess>
#include <QSslCertificate>
#include <QSslKey>

namespace skiff::test {

std::optional<QSslConfiguration> untrustedTls(const QString& folder) {
    constexpr int kWait = 30000;
    const QString key = folder + "/key.pem";
    const QString certificate = folder + "/certificate.pem";
    QProcess openssl;
    openssl.start("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
                              "-out", certificate, "-days", "2", "-subj", "/CN=127.0.0.1"});
    if (!openssl.waitForFinished(kWait) || openssl.exitCode() != 0) return std::nullopt;
    QFile keyFile(key);
    QFile certificateFile(certificate);
    if (!keyFile.open(QIODevice::ReadOnly) || !certificateFile.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(QSslCertificate(certificateFile.readAll()));
    tls.setPrivateKey(QSslKey(keyFile.readAll(), QSsl::Rsa));
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    return tls;
}

}  // namespace skiff::test

#pragma once

#include <QByteArray>
#include <QHash>
#include <QStringList>
#include <QTcpServer>
#include <QUrl>
#include <memory>

class QSslConfiguration;
class QTcpSocket;

namespace skiff::test {

// A tiny HTTP/1.1 server on 127.0.0.1 for tests of the real engine. It listens on a free port
// from construction on and serves the pages added to it; any other path gets 404. Each
// response closes its connection. Given a TLS configuration (certificate and key), it speaks
// HTTPS instead.
//
//     LoopbackServer server;
//     server.addPage("/a", "<title>A</title>");
//     browser.Navigate(server.url("/a").toString());
class LoopbackServer : public QObject {
    Q_OBJECT
public:
    explicit LoopbackServer(QObject* parent = nullptr);
    explicit LoopbackServer(const QSslConfiguration& tls, QObject* parent = nullptr);

    // Serves `body` at `path` (such as "/a"; the query part of a request is ignored).
    void addPage(const QString& path, const QByteArray& body,
                 const QByteArray& contentType = "text/html; charset=utf-8");
    // Answers requests for `path` with a 302 redirect to `location`.
    void addRedirect(const QString& path, const QString& location);

    quint16 port() const { return m_server->serverPort(); }
    // "127.0.0.1:PORT" followed by `path`, without a scheme.
    QString hostAndPort(const QString& path = {}) const;
    // "http://127.0.0.1:PORT" (or "https://...") followed by `path`.
    QUrl url(const QString& path) const;

    // The paths of the requests received so far, in order of arrival.
    const QStringList& requestedPaths() const { return m_requested; }

private:
    struct Response {
        QByteArray status;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
    };

    void listen();
    void acceptConnections();
    void answerIfComplete(QTcpSocket* socket);
    Response responseFor(const QString& path) const;

    std::unique_ptr<QTcpServer> m_server;
    QString m_scheme;
    QHash<QString, Response> m_responses;
    QStringList m_requested;
};

}  // namespace skiff::test

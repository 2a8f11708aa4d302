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
// It also serves as the engine's HTTP proxy: a request for an absolute address
// ("GET http://pages.test/a?q HTTP/1.1") is answered by its path, whatever its host, and a
// tunnel request ("CONNECT host:443") is held open unanswered, so nothing leaves the
// machine.
//
//     LoopbackServer server;
//     server.addPage("/a", "<title>A</title>");
//     browser.Navigate(server.url("/a").toString());
class LoopbackServer : public QObject {
    Q_OBJECT
public:
    explicit LoopbackServer(QObject* parent = nullptr);
    explicit LoopbackServer(const QSslConfiguration& tls, QObject* parent = nullptr);
    ~LoopbackServer() override;

    // Serves `body` at `path` (such as "/a"; the query part of a request is ignored).
    void addPage(const QString& path, const QByteArray& body,
                 const QByteArray& contentType = "text/html; charset=utf-8");
    // Answers requests for `path` with a 302 redirect to `location`.
    void addRedirect(const QString& path, const QString& location);
    // Serves `body` at `path` with these header lines (name, value) and no others.
    void addPageWithHeaders(const QString& path, const QByteArray& body,
                            const QList<QPair<QByteArray, QByteArray>>& headers);
    // Serves `body` at `path` as a file to save ("Content-Disposition: attachment") named
    // `fileName`.
    void addDownload(const QString& path, const QString& fileName, const QByteArray& body);
    // From now on the response for `path` (added before) sends only the first `sent` bytes of
    // its body and then holds the connection open, as a stalled server does.
    void stallAfter(const QString& path, qsizetype sent);
    // From now on the response for `path` (added before) sends only the first `sent` bytes of
    // its body and then closes the connection, as a server that breaks off does.
    void cutAfter(const QString& path, qsizetype sent);
    // From now on the response for `path` (added before) comes in chunks ("Transfer-Encoding:
    // chunked") of 16 KiB instead of with its length. One cut short (cutAfter) ends without the
    // closing chunk: inside a chunk, or between two when `sent` is a multiple of 16 KiB.
    void sendChunked(const QString& path);
    // Answers requests for `path` with 401 and a Basic challenge for `realm`, until a request
    // carries `user` and `password`: that one gets `body`.
    void addProtectedPage(const QString& path, const QByteArray& body, const QString& realm,
                          const QString& user, const QString& password);

    quint16 port() const { return m_server->serverPort(); }
    // "127.0.0.1:PORT" followed by `path`, without a scheme.
    QString hostAndPort(const QString& path = {}) const;
    // "http://127.0.0.1:PORT" (or "https://...") followed by `path`.
    QUrl url(const QString& path) const;

    // The paths of the requests received so far, in order of arrival.
    const QStringList& requestedPaths() const { return m_requested; }
    // Their targets as the request lines give them, with host (when sent to a proxy) and query:
    // "http://pages.test/a?q", "/a?q" or, for a tunnel, "host:443".
    const QStringList& requestedTargets() const { return m_targets; }
    // The targets whose requests are held open now (stalled responses, tunnels) and whose
    // connections the client has not closed yet.
    QStringList heldTargets() const { return m_held.values(); }

private:
    struct Response {
        QByteArray status;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        qsizetype sent = -1;       // body bytes sent before holding the connection; -1: all
        bool cut = false;          // closes the connection after `sent` bytes instead
        bool chunked = false;      // sent in chunks rather than with a Content-Length
        QByteArray authorization;  // the Authorization header a request needs, if any
        QByteArray realm;
    };

    void listen();
    void acceptConnections();
    void answerIfComplete(QTcpSocket* socket);
    void holdOpen(QTcpSocket* socket, const QString& target);
    Response responseFor(const QString& path, const QByteArray& request) const;

    std::unique_ptr<QTcpServer> m_server;
    QString m_scheme;
    QHash<QString, Response> m_responses;
    QStringList m_requested;
    QStringList m_targets;
    QHash<QTcpSocket*, QString> m_held;
};

// A port on 127.0.0.1 that nothing listens on (it was free a moment ago): connections to it are
// refused.
quint16 closedLoopbackPort();

}  // namespace skiff::test

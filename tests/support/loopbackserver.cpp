#include "support/loopbackserver.h"

#include <QHostAddress>
#include <QSslServer>
#include <QTcpSocket>

namespace skiff::test {

namespace {

constexpr char kRequestEnd[] = "\r\n\r\n";

// The words of a request line such as "GET /a?x=1 HTTP/1.1".
QList<QByteArray> requestLine(const QByteArray& request) {
    return request.left(request.indexOf("\r\n")).split(' ');
}

// The path of a request target ("/a?x=1" or "http://host/a?x=1"), without its query.
QString targetPath(const QString& target) {
    return QUrl(target).path();
}

// The value of header `name` in a request, or nothing when it has none.
QByteArray headerValue(const QByteArray& request, const QByteArray& name) {
    const QList<QByteArray> lines = request.left(request.indexOf(kRequestEnd)).split('\n');
    for (const QByteArray& line : lines) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower()) {
            return line.mid(colon + 1).trimmed();
        }
    }
    return {};
}

// `body` in chunks of HTTP/1.1's chunked encoding, with the closing chunk; or, when `sent` is
// not negative, cut after `sent` bytes of the body: inside a chunk, or between two.
QByteArray inChunks(const QByteArray& body, qsizetype sent) {
    constexpr qsizetype kChunkBytes = 16 * 1024;
    const qsizetype end = sent < 0 ? body.size() : sent;
    QByteArray chunks;
    for (qsizetype at = 0; at < end; at += kChunkBytes) {
        const QByteArray chunk = body.mid(at, kChunkBytes);
        chunks += QByteArray::number(chunk.size(), 16) + "\r\n";
        if (at + chunk.size() > end) return chunks + chunk.left(end - at);
        chunks += chunk + "\r\n";
    }
    return sent < 0 ? chunks + "0\r\n\r\n" : chunks;
}

QByteArray attachment(const QString& fileName) {
    return "attachment; filename=\"" + fileName.toUtf8() + "\"";
}

}  // namespace

LoopbackServer::LoopbackServer(QObject* parent)
    : QObject(parent), m_server(std::make_unique<QTcpServer>()), m_scheme("http") {
    listen();
}

LoopbackServer::LoopbackServer(const QSslConfiguration& tls, QObject* parent)
    : QObject(parent), m_scheme("https") {
    auto server = std::make_unique<QSslServer>();
    server->setSslConfiguration(tls);
    m_server = std::move(server);
    listen();
}

// The connections (children of the listening server) go first: one held open tells the list
// of held connections when it closes, and that list must still be there.
LoopbackServer::~LoopbackServer() {
    m_server.reset();
}

void LoopbackServer::listen() {
    // Emitted once a connection is ready for requests: for HTTPS, after its handshake.
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this,
            &LoopbackServer::acceptConnections);
    m_server->listen(QHostAddress::LocalHost, 0);
}

void LoopbackServer::addPage(const QString& path, const QByteArray& body,
                             const QByteArray& contentType) {
    m_responses.insert(path, {"200 OK", {{"Content-Type", contentType}}, body});
}

void LoopbackServer::addRedirect(const QString& path, const QString& location) {
    m_responses.insert(path, {"302 Found", {{"Location", location.toUtf8()}}, {}});
}

void LoopbackServer::addPageWithHeaders(const QString& path, const QByteArray& body,
                                        const QList<QPair<QByteArray, QByteArray>>& headers) {
    m_responses.insert(path, {"200 OK", headers, body});
}

void LoopbackServer::addDownload(const QString& path, const QString& fileName,
                                 const QByteArray& body) {
    addPageWithHeaders(path, body,
                       {{"Content-Type", "application/octet-stream"},
                        {"Content-Disposition", attachment(fileName)}});
}

void LoopbackServer::stallAfter(const QString& path, qsizetype sent) {
    const auto response = m_responses.find(path);
    if (response != m_responses.end()) response->sent = sent;
}

void LoopbackServer::cutAfter(const QString& path, qsizetype sent) {
    const auto response = m_responses.find(path);
    if (response == m_responses.end()) return;
    response->sent = sent;
    response->cut = true;
}

void LoopbackServer::sendChunked(const QString& path) {
    const auto response = m_responses.find(path);
    if (response != m_responses.end()) response->chunked = true;
}

void LoopbackServer::addProtectedPage(const QString& path, const QByteArray& body,
                                      const QString& realm, const QString& user,
                                      const QString& password) {
    Response response{"200 OK", {{"Content-Type", "text/html; charset=utf-8"}}, body};
    response.authorization = "Basic " + (user + ":" + password).toUtf8().toBase64();
    response.realm = realm.toUtf8();
    m_responses.insert(path, response);
}

QString LoopbackServer::hostAndPort(const QString& path) const {
    return QString("127.0.0.1:%1%2").arg(port()).arg(path);
}

QUrl LoopbackServer::url(const QString& path) const {
    return QUrl(m_scheme + "://" + hostAndPort(path));
}

void LoopbackServer::acceptConnections() {
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { answerIfComplete(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        answerIfComplete(socket);  // the request may have come with the connection
    }
}

void LoopbackServer::answerIfComplete(QTcpSocket* socket) {
    // The whole request stays in the socket's buffer until its header is complete.
    const QByteArray request = socket->peek(socket->bytesAvailable());
    if (!request.contains(kRequestEnd)) return;
    socket->readAll();
    const QList<QByteArray> line = requestLine(request);
    const QString target = line.size() > 1 ? QString::fromLatin1(line.at(1)) : QString();
    m_targets.append(target);
    if (line.first() == "CONNECT") {
        holdOpen(socket, target);  // no tunnels: the client waits until it gives up
        return;
    }
    const QString path = targetPath(target);
    m_requested.append(path);
    const Response response = responseFor(path, request);
    QByteArray reply = "HTTP/1.1 " + response.status + "\r\n";
    for (const auto& [name, value] : response.headers) reply += name + ": " + value + "\r\n";
    const bool stalled = response.sent >= 0;
    if (response.chunked)
        reply += "Transfer-Encoding: chunked\r\n";
    else
        reply += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    reply += "Connection: close\r\n\r\n";
    if (response.chunked)
        reply += inChunks(response.body, response.sent);
    else
        reply += stalled ? response.body.left(response.sent) : response.body;
    socket->write(reply);
    // A stalled response keeps its connection until the client gives up.
    if (stalled && !response.cut)
        holdOpen(socket, target);
    else
        socket->disconnectFromHost();
}

void LoopbackServer::holdOpen(QTcpSocket* socket, const QString& target) {
    m_held.insert(socket, target);
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] { m_held.remove(socket); });
}

LoopbackServer::Response LoopbackServer::responseFor(const QString& path,
                                                     const QByteArray& request) const {
    static const Response notFound{"404 Not Found", {{"Content-Type", "text/plain"}}, "Not found"};
    const Response response = m_responses.value(path, notFound);
    if (response.authorization.isEmpty() ||
        headerValue(request, "Authorization") == response.authorization) {
        return response;
    }
    return {"401 Unauthorized",
            {{"WWW-Authenticate", "Basic realm=\"" + response.realm + "\""},
             {"Content-Type", "text/html; charset=utf-8"}},
            "<title>Unauthorized</title><p>No entry.</p>"};
}

quint16 closedLoopbackPort() {
    QTcpServer listener;
    listener.listen(QHostAddress::LocalHost);
    return listener.serverPort();
}

}  // namespace skiff::test

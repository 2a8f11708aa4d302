#include "app/busprobe.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QList>
#include <QtEndian>
#include <cerrno>
#include <cstddef>
#include <cstring>

namespace skiff {

namespace {

using Clock = std::chrono::steady_clock;

// The socket address of the first unix: entry of a D-Bus address; an abstract name starts with
// a NUL byte. Nothing for an address of another kind.
std::optional<QByteArray> socketPath(const QByteArray& address) {
    for (const QByteArray& entry : address.split(';')) {
        if (!entry.startsWith("unix:")) continue;
        for (const QByteArray& pair : entry.mid(5).split(',')) {
            if (pair.startsWith("path=")) return QByteArray::fromPercentEncoding(pair.mid(5));
            if (pair.startsWith("abstract="))
                return '\0' + QByteArray::fromPercentEncoding(pair.mid(9));
        }
    }
    return std::nullopt;
}

// ---- Messages (little-endian, as they are sent here and as the bus answers here) ----

class Writer {
public:
    void align(int n) {
        while (m_bytes.size() % n) m_bytes.append('\0');
    }
    void byte(char value) { m_bytes.append(value); }
    void u32(quint32 value) {
        align(4);
        const quint32 little = qToLittleEndian(value);
        m_bytes.append(reinterpret_cast<const char*>(&little), 4);
    }
    void text(const QByteArray& value) {
        u32(quint32(value.size()));
        m_bytes += value + '\0';
    }
    void signature(const QByteArray& value) {
        byte(char(value.size()));
        m_bytes += value + '\0';
    }
    void setU32(int at, quint32 value) {
        const quint32 little = qToLittleEndian(value);
        memcpy(m_bytes.data() + at, &little, 4);
    }
    int size() const { return int(m_bytes.size()); }
    const QByteArray& bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

// A method call without arguments, numbered `serial`.
QByteArray methodCall(quint32 serial, const QByteArray& destination, const QByteArray& path,
                      const QByteArray& interface, const QByteArray& member) {
    Writer w;
    for (char c : {'l', '\1', '\0', '\1'}) w.byte(c);  // little-endian, a call, version 1
    w.u32(0);                                          // no body
    w.u32(serial);
    w.u32(0);  // the length of the header's fields, set below
    const auto field = [&w](char code, char type, const QByteArray& value) {
        w.align(8);
        w.byte(code);
        w.signature(QByteArray(1, type));
        w.text(value);
    };
    field(1, 'o', path);
    field(2, 's', interface);
    field(3, 's', member);
    field(6, 's', destination);
    w.setU32(12, quint32(w.size() - 16));
    w.align(8);
    return w.bytes();
}

class Reader {
public:
    Reader(const QByteArray& bytes, int from) : m_bytes(bytes), m_at(from) {}
    bool ok() const { return m_ok; }
    int at() const { return m_at; }
    void align(int n) { m_at = (m_at + n - 1) / n * n; }
    quint8 byte() {
        const QByteArray one = take(1);
        return one.isEmpty() ? 0 : quint8(one[0]);
    }
    quint32 u32() {
        align(4);
        const QByteArray four = take(4);
        return four.size() == 4 ? qFromLittleEndian<quint32>(four.constData()) : 0;
    }
    QByteArray text() { return takeWithNul(u32()); }
    QByteArray signature() { return takeWithNul(byte()); }

private:
    QByteArray take(qsizetype n) {
        if (n < 0 || m_at + n > m_bytes.size()) {
            m_ok = false;
            return {};
        }
        m_at += int(n);
        return m_bytes.mid(m_at - n, n);
    }
    QByteArray takeWithNul(qsizetype n) {
        const QByteArray value = take(n);
        take(1);
        return value;
    }

    const QByteArray& m_bytes;
    int m_at;
    bool m_ok = true;
};

// One whole message at the start of `bytes`.
struct Message {
    int length = 0;  // 0: not whole yet
    quint8 type = 0;
    quint32 replyTo = 0;
    QByteArray firstText;  // the body's first value when it is a string
};

Message readMessage(const QByteArray& bytes) {
    Message message;
    if (bytes.size() < 16 || bytes[0] != 'l') return message;
    Reader header(bytes, 4);
    const quint32 bodyLength = header.u32();
    header.u32();  // its serial
    const quint32 fieldsLength = header.u32();
    const qint64 bodyStart = (16 + qint64(fieldsLength) + 7) / 8 * 8;
    if (bytes.size() < bodyStart + bodyLength) return message;
    QByteArray bodySignature;
    while (header.ok() && header.at() < 16 + int(fieldsLength)) {
        header.align(8);
        const quint8 code = header.byte();
        const QByteArray type = header.signature();
        if (type == "u") {
            const quint32 value = header.u32();
            if (code == 5) message.replyTo = value;
        } else if (type == "g") {
            const QByteArray value = header.signature();
            if (code == 8) bodySignature = value;
        } else {
            header.text();  // a string or a path
        }
    }
    message.type = quint8(bytes[1]);
    message.length = int(bodyStart + bodyLength);
    if (bodySignature.startsWith('s')) message.firstText = Reader(bytes, int(bodyStart)).text();
    return message;
}

// ---- The connection ----

class Connection {
public:
    Connection(const QByteArray& address, std::chrono::milliseconds wait)
        : m_deadline(Clock::now() + wait) {
        const std::optional<QByteArray> path = socketPath(address);
        if (!path) return;
        sockaddr_un socketAddress{};
        socketAddress.sun_family = AF_UNIX;
        if (path->isEmpty() || size_t(path->size()) >= sizeof socketAddress.sun_path) {
            m_answer = BusAnswer::Gone;
            return;
        }
        memcpy(socketAddress.sun_path, path->constData(), size_t(path->size()));
        const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + size_t(path->size()) +
                                      (path->startsWith('\0') ? 0 : 1));
        m_fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (m_fd < 0) return;
        if (::connect(m_fd, reinterpret_cast<const sockaddr*>(&socketAddress), length) != 0 &&
            errno != EINPROGRESS && errno != EAGAIN) {
            m_answer = BusAnswer::Gone;
            return;
        }
        // A NUL byte, then the first line of the authentication; any line back is an answer.
        m_answer = BusAnswer::Silent;
        const QByteArray uid = QByteArray::number(geteuid()).toHex();
        if (!send(QByteArray(1, '\0') + "AUTH EXTERNAL " + uid + "\r\n")) return;
        while (!m_received.contains("\r\n"))
            if (!receive()) return;
        m_answer = BusAnswer::Answers;
        m_authenticated = m_received.startsWith("OK ");
        m_received.remove(0, m_received.indexOf("\r\n") + 2);
    }
    ~Connection() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    BusAnswer answer() const { return m_answer; }
    bool authenticated() const { return m_authenticated; }

    bool send(const QByteArray& bytes) {
        for (qsizetype sent = 0; sent < bytes.size();) {
            if (!waitFor(POLLOUT)) return false;
            const ssize_t n =
                ::send(m_fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
            if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
            if (n > 0) sent += n;
        }
        return true;
    }

    // The reply to the call numbered `serial`.
    std::optional<Message> replyTo(quint32 serial) {
        for (;;) {
            const Message message = readMessage(m_received);
            if (message.length == 0) {
                if (!receive()) return std::nullopt;
                continue;
            }
            m_received.remove(0, message.length);
            if ((message.type == 2 || message.type == 3) && message.replyTo == serial)
                return message;
        }
    }

private:
    bool waitFor(short events) {
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(m_deadline - Clock::now());
            if (left.count() <= 0) return false;
            pollfd entry{m_fd, events, 0};
            const int ready = poll(&entry, 1, int(left.count()));
            if (ready > 0) return true;
            if (ready == 0 || errno != EINTR) return false;
        }
    }
    bool receive() {
        char buffer[4096];
        if (!waitFor(POLLIN)) return false;
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (n <= 0) return n < 0 && (errno == EAGAIN || errno == EINTR);
        m_received.append(buffer, n);
        return true;
    }

    Clock::time_point m_deadline;
    int m_fd = -1;
    BusAnswer m_answer = BusAnswer::Unknown;
    bool m_authenticated = false;
    QByteArray m_received;
};

}  // namespace

BusAnswer probeBus(const QByteArray& address, std::chrono::milliseconds wait) {
    return Connection(address, wait).answer();
}

SessionAnswer askForAccessibilityBus(const QByteArray& sessionAddress,
                                     std::chrono::milliseconds wait) {
    Connection bus(sessionAddress, wait);
    if (bus.answer() != BusAnswer::Answers || !bus.authenticated()) return {bus.answer(), {}};
    const QByteArray calls =
        "BEGIN\r\n" +
        methodCall(1, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                   "Hello") +
        methodCall(2, "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress");
    if (!bus.send(calls)) return {BusAnswer::Silent, {}};
    const std::optional<Message> reply = bus.replyTo(2);
    if (!reply) return {BusAnswer::Silent, {}};
    return {BusAnswer::Answers, reply->type == 2 ? reply->firstText : QByteArray()};
}

}  // namespace skiff

#pragma once

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QFile>
#include <QString>
#include <cstring>

namespace skiff::test {

// A socket that accepts connections (the kernel does, into its queue) and never answers, as a
// hung bus does.
class SilentSocket {
public:
    explicit SilentSocket(const QString& path) : m_fd(socket(AF_UNIX, SOCK_STREAM, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        memcpy(address.sun_path, name.constData(),
               qMin(size_t(name.size()), sizeof address.sun_path - 1));
        m_listening = bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                      listen(m_fd, 64) == 0;
    }
    ~SilentSocket() { close(m_fd); }
    SilentSocket(const SilentSocket&) = delete;
    SilentSocket& operator=(const SilentSocket&) = delete;
    bool isListening() const { return m_listening; }

private:
    int m_fd;
    bool m_listening = false;
};

}  // namespace skiff::test

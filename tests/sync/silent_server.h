#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tvx::sync::testing {

// A TCP port on this machine that takes connections and never says a word, as a server
// that hangs or a line that swallows everything would; closing it breaks them.
class SilentServer {
public:
    SilentServer() {
        m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(m_socket, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
            ::listen(m_socket, 16) != 0 ||
            ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
            ADD_FAILURE() << "no listening socket";
        }
        m_port = ntohs(address.sin_port);
    }
    ~SilentServer() { close(); }
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;
    void close() {
        if (m_socket >= 0) {
            ::close(m_socket);
            m_socket = -1;
        }
    }
    int port() const { return m_port; }

private:
    int m_socket = -1;
    int m_port = 0;
};

// A port of this machine where nothing listens (a server that is down).
inline int downPort() {
    const SilentServer gone;
    return gone.port();
}

}  // namespace tvx::sync::testing

#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>

namespace pelmora::test {

// A listening socket on 127.0.0.1 and an ephemeral port.
class LoopbackListener {
public:
    explicit LoopbackListener(int backlog = 16) {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_fd, backlog);
        socklen_t length = sizeof address;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
    }
    ~LoopbackListener() { ::close(m_fd); }
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    int fd() const { return m_fd; }
    int port() const { return m_port; }
    std::string url(const std::string& path = "/ivp/meters/readings") const {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }

    // Whether a connection is waiting to be accepted, without waiting.
    bool has_pending_connection() const {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(m_fd, &set);
        timeval none{0, 0};
        return ::select(m_fd + 1, &set, nullptr, nullptr, &none) > 0;
    }

private:
    int m_fd = -1;
    int m_port = 0;
};

// Answers one connection with a canned response and keeps the request text.
// A non-empty `repeat` is then sent over and over until the client goes away.
class OneShotServer {
public:
    explicit OneShotServer(std::string response, std::string repeat = {})
        : m_response(std::move(response)), m_repeat(std::move(repeat)) {
        m_thread = std::thread([this] {
            int client = ::accept(m_listener.fd(), nullptr, nullptr);
            if (client < 0) return;
            char buffer[4096];
            while (m_request.find("\r\n\r\n") == std::string::npos) {
                ssize_t n = ::read(client, buffer, sizeof buffer);
                if (n <= 0) break;
                m_request.append(buffer, static_cast<std::size_t>(n));
            }
            ssize_t sent = ::send(client, m_response.data(), m_response.size(), MSG_NOSIGNAL);
            while (sent > 0 && !m_repeat.empty()) sent = ::send(client, m_repeat.data(), m_repeat.size(), MSG_NOSIGNAL);
            ::shutdown(client, SHUT_RDWR);
            ::close(client);
        });
    }
    ~OneShotServer() {
        if (m_thread.joinable()) {
            ::shutdown(m_listener.fd(), SHUT_RDWR);
            m_thread.join();
        }
    }

    std::string url(const std::string& path = "/ivp/meters/readings") const { return m_listener.url(path); }
    // The request as received; call after the request has been answered.
    const std::string& request() {
        if (m_thread.joinable()) m_thread.join();
        return m_request;
    }

private:
    LoopbackListener m_listener;
    std::string m_response;
    std::string m_repeat;
    std::string m_request;
    std::thread m_thread;
};

}  // namespace pelmora::test

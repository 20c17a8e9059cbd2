#pragma once

// The device end of a TCP exchange on 127.0.0.1 for channel tests: it accepts
// connections one after another, records each framed request, lets the test's
// script answer it, then holds the connection until the client closes it.
// Loopback only; it never touches another interface.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "net/ByteReader.h"
#include "net/FrameHeader.h"
#include "platform/Socket.h"

namespace quillon::test {

class TcpPeer {
public:
    using Bytes = std::vector<std::uint8_t>;
    // Answers one request on the connection fd.
    using Script = std::function<void(int fd, const Bytes& request)>;

    explicit TcpPeer(Script script = {}) : m_script(std::move(script)) {
        m_listener.reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_in at = loopback(0);
        socklen_t size = sizeof at;
        if (!m_listener || ::bind(m_listener.get(), reinterpret_cast<sockaddr*>(&at), size) != 0 ||
            ::listen(m_listener.get(), 4) != 0 || ::pipe2(m_wake, O_CLOEXEC) != 0 ||
            ::getsockname(m_listener.get(), reinterpret_cast<sockaddr*>(&at), &size) != 0) {
            return;
        }
        m_port = ntohs(at.sin_port);
        m_thread = std::thread([this] { serve(); });
    }

    ~TcpPeer() {
        if (m_thread.joinable()) {
            [[maybe_unused]] const auto n = ::write(m_wake[1], "x", 1);
            m_thread.join();
        }
        for (const int fd : m_wake) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    TcpPeer(const TcpPeer&) = delete;
    TcpPeer& operator=(const TcpPeer&) = delete;

    std::uint16_t port() const { return m_port; }
    std::vector<Bytes> requests() const {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }
    int connections() const { return m_connections.load(); }
    // The peer records a request after the client has sent it; this waits
    // (sleeping, up to two seconds) until count have been recorded.
    bool waitForRequests(std::size_t count) const {
        for (int i = 0; i < 400 && requests().size() < count; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return requests().size() >= count;
    }

    static bool sendAll(int fd, std::span<const std::uint8_t> bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n <= 0) {
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    static Bytes reply(std::uint32_t length, std::span<const std::uint8_t> payload,
                       std::uint32_t magic = FRAME_MAGIC) {
        const auto header = FrameHeader{.magic = magic, .length = length}.Encode();
        Bytes out(header.begin(), header.end());
        out.insert(out.end(), payload.begin(), payload.end());
        return out;
    }

    static sockaddr_in loopback(std::uint16_t port) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return a;
    }

private:
    // Waits for fd to be readable; false when the peer is being stopped.
    bool waitReadable(int fd) const {
        pollfd fds[2] = {{fd, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        return ::poll(fds, 2, -1) > 0 && fds[1].revents == 0;
    }

    bool readExactly(int fd, std::uint8_t* out, std::size_t count) const {
        std::size_t got = 0;
        while (got < count) {
            if (!waitReadable(fd)) {
                return false;
            }
            const ssize_t n = ::recv(fd, out + got, count - got, 0);
            if (n <= 0) {
                return false;
            }
            got += static_cast<std::size_t>(n);
        }
        return true;
    }

    void serve() {
        while (waitReadable(m_listener.get())) {
            const UniqueSocket connection(
                ::accept4(m_listener.get(), nullptr, nullptr, SOCK_CLOEXEC));
            if (!connection) {
                continue;
            }
            ++m_connections;
            const int one = 1;
            ::setsockopt(connection.get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            Bytes request(FRAME_HEADER_SIZE);
            if (!readExactly(connection.get(), request.data(), request.size())) {
                continue;
            }
            const std::uint32_t length = ByteReader(request).u32(4);
            if (length <= (1u << 20)) {
                request.resize(FRAME_HEADER_SIZE + length);
                if (!readExactly(connection.get(), request.data() + FRAME_HEADER_SIZE, length)) {
                    continue;
                }
            }
            {
                std::lock_guard lock(m_mutex);
                m_requests.push_back(request);
            }
            if (m_script) {
                m_script(connection.get(), request);
            }
            // Hold the connection until the client is done with it.
            std::uint8_t sink[256];
            while (waitReadable(connection.get()) &&
                   ::recv(connection.get(), sink, sizeof sink, 0) > 0) {
            }
        }
    }

    Script m_script;
    UniqueSocket m_listener;
    std::uint16_t m_port = 0;
    int m_wake[2] = {-1, -1};
    mutable std::mutex m_mutex;
    std::vector<Bytes> m_requests;
    std::atomic<int> m_connections{0};
    std::thread m_thread;
};

}  // namespace quillon::test

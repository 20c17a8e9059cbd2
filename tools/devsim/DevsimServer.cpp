#include "DevsimServer.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>

namespace quillon::devsim {

namespace {

// A send the kernel could not queue yet is tried again after a short sleep,
// this many times, before the datagram is given up.
constexpr int SEND_ATTEMPTS = 200;
constexpr std::chrono::microseconds SEND_RETRY_WAIT{1000};

std::string addressText(const sockaddr_in& a) {
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &a.sin_addr, text, sizeof text);
    return text;
}

}  // namespace

DevsimServer::DevsimServer(ReplyPlanner& planner, DatagramLog& log, const StopSignal& stop)
    : m_planner(planner), m_log(log), m_stop(stop) {}

bool DevsimServer::bind(const std::string& address, std::uint16_t port, std::string& error) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1) {
        error = "not an IPv4 address: " + address;
        return false;
    }
    UniqueSocket s(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    const int on = 1;
    const char* step = "socket";
    bool ok = s.valid();
    if (ok) {
        step = "SO_BROADCAST";
        ok = ::setsockopt(s.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) == 0;
    }
    if (ok) {
        step = "SO_REUSEADDR";
        ok = ::setsockopt(s.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0;
    }
    if (ok) {
        step = "bind";
        ok = ::bind(s.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
    }
    if (!ok) {
        error = "cannot bind " + address + ":" + std::to_string(port) + ": " + step + ": " +
                std::strerror(errno);
        return false;
    }
    m_socket = std::move(s);
    return true;
}

bool DevsimServer::run(std::chrono::microseconds spacing) {
    m_spacing = spacing;
    while (!m_stop.requested()) {
        pollfd fds[2] = {{m_socket.get(), POLLIN, 0}, {m_stop.fd(), POLLIN, 0}};
        const int ready = ::poll(fds, 2, -1);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            std::cerr << "quillon-devsim: waiting for datagrams failed: " << std::strerror(errno)
                      << '\n';
            return false;
        }
        if (fds[1].revents != 0) {
            break;
        }
        if (fds[0].revents != 0) {
            serveOne();
        }
    }
    return true;
}

void DevsimServer::serveOne() {
    sockaddr_in from{};
    socklen_t fromSize = sizeof from;
    const ssize_t n =
        ::recvfrom(m_socket.get(), m_buffer.data(), m_buffer.size(), MSG_TRUNC | MSG_DONTWAIT,
                   reinterpret_cast<sockaddr*>(&from), &fromSize);
    if (n < 0) {
        return;  // nothing after all, or an error reported for an earlier send
    }
    const auto length = static_cast<std::size_t>(n);
    const auto kept =
        std::span<const std::uint8_t>(m_buffer).first(std::min(length, m_buffer.size()));
    m_log.received(addressText(from), ntohs(from.sin_port), kept);
    if (length > m_buffer.size() || from.sin_family != AF_INET || from.sin_port == 0) {
        return;  // cut short, or nowhere to answer to
    }
    sendReplies(from, m_planner.respond(kept));
}

void DevsimServer::sendReplies(const sockaddr_in& to, const std::vector<Datagram>& replies) {
    const bool burst = m_planner.config().modes.burst;
    const std::string toText = addressText(to);
    const std::uint16_t toPort = ntohs(to.sin_port);
    std::size_t failed = 0;
    int lastError = 0;
    for (std::size_t i = 0; i < replies.size(); ++i) {
        if (i > 0 && !burst && !pause(m_spacing)) {
            return;
        }
        if (m_stop.requested()) {
            return;
        }
        if (sendOne(to, replies[i], lastError)) {
            m_log.sent(toText, toPort, replies[i].size());
        } else {
            ++failed;
        }
    }
    if (failed > 0) {
        std::cerr << "quillon-devsim: " << failed << " of " << replies.size() << " replies to "
                  << toText << ":" << toPort << " not sent: " << std::strerror(lastError) << '\n';
    }
}

bool DevsimServer::sendOne(const sockaddr_in& to, const Datagram& datagram, int& error) {
    for (int attempt = 0; attempt < SEND_ATTEMPTS; ++attempt) {
        const ssize_t n = ::sendto(m_socket.get(), datagram.data(), datagram.size(), 0,
                                   reinterpret_cast<const sockaddr*>(&to), sizeof to);
        if (n == static_cast<ssize_t>(datagram.size())) {
            return true;
        }
        error = n < 0 ? errno : EMSGSIZE;
        // Only a full queue is worth waiting for; anything else will not pass.
        const bool queueFull = n < 0 && (errno == ENOBUFS || errno == EAGAIN || errno == EINTR);
        if (!queueFull || !pause(SEND_RETRY_WAIT)) {
            return false;
        }
    }
    return false;
}

bool DevsimServer::pause(std::chrono::microseconds duration) const {
    if (duration.count() <= 0) {
        return !m_stop.requested();
    }
    pollfd fd{m_stop.fd(), POLLIN, 0};
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(duration);
    const timespec wait{static_cast<time_t>(seconds.count()),
                        static_cast<long>((duration - seconds).count() * 1000)};
    // A signal cuts the wait short; the stop check below tells the two apart
    // and a shortened pause between replies does no harm.
    ::ppoll(&fd, 1, &wait, nullptr);
    return !m_stop.requested();
}

}  // namespace quillon::devsim

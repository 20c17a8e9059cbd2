#include "TcpServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <thread>

#include "net/ByteReader.h"
#include "net/FrameHeader.h"
#include "net/WifiSettingsBlock.h"

namespace quillon::devsim {

namespace {

// A client gets this long to send its whole request.
constexpr int REQUEST_WAIT_MS = 10000;
// A connection is held at most this long after the reply, so one client that
// never closes can't keep the others waiting forever.
constexpr int HOLD_LIMIT_MS = 60000;

std::string addressText(const sockaddr_in& a) {
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &a.sin_addr, text, sizeof text);
    return text;
}

}  // namespace

TcpServer::TcpServer(const DevsimConfig& config, DatagramLog& log, const StopSignal& stop,
                     std::chrono::microseconds trickleSpacing)
    : m_config(config), m_log(log), m_stop(stop), m_trickleSpacing(trickleSpacing) {
    if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_wake[0] = m_wake[1] = -1;
    }
}

TcpServer::~TcpServer() {
    for (const int fd : m_wake) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

bool TcpServer::open(std::string& error) {
    if (m_wake[0] < 0) {
        error = "cannot make the TCP server's wake pipe";
        return false;
    }
    for (const DeviceProfile& profile : m_config.devices) {
        Device device;
        device.state = std::make_unique<WifiState>(profile);
        device.name = profile.ip + ":" + std::to_string(profile.videoPort);
        if (!m_config.modes.tcpRefuse) {
            sockaddr_in at{};
            at.sin_family = AF_INET;
            at.sin_port = htons(profile.videoPort);
            UniqueSocket s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
            const int on = 1;
            const bool ok =
                ::inet_pton(AF_INET, profile.ip.c_str(), &at.sin_addr) == 1 && s &&
                ::setsockopt(s.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0 &&
                ::bind(s.get(), reinterpret_cast<const sockaddr*>(&at), sizeof at) == 0 &&
                ::listen(s.get(), 16) == 0;
            if (!ok) {
                error = "cannot listen for TCP at " + device.name + ": " + std::strerror(errno);
                return false;
            }
            device.listener = std::move(s);
        }
        m_devices.push_back(std::move(device));
    }
    return true;
}

void TcpServer::stop() {
    if (m_wake[1] >= 0) {
        [[maybe_unused]] const ssize_t n = ::write(m_wake[1], "x", 1);
    }
}

bool TcpServer::stopping() const {
    pollfd fds[2] = {{m_stop.fd(), POLLIN, 0}, {m_wake[0], POLLIN, 0}};
    return m_stop.requested() || ::poll(fds, 2, 0) > 0;
}

bool TcpServer::waitReadable(int fd, int ms) const {
    pollfd fds[3] = {{fd, POLLIN, 0}, {m_stop.fd(), POLLIN, 0}, {m_wake[0], POLLIN, 0}};
    for (;;) {
        const int ready = ::poll(fds, 3, ms);
        if (ready < 0 && errno == EINTR) {
            continue;  // the next poll sees the stop signal's byte, if it was one
        }
        return ready > 0 && fds[1].revents == 0 && fds[2].revents == 0 && fds[0].revents != 0;
    }
}

void TcpServer::run() {
    std::vector<pollfd> fds;
    for (const Device& d : m_devices) {
        if (d.listener) {
            fds.push_back({d.listener.get(), POLLIN, 0});
        }
    }
    fds.push_back({m_stop.fd(), POLLIN, 0});
    fds.push_back({m_wake[0], POLLIN, 0});
    const std::size_t listeners = fds.size() - 2;
    while (!m_stop.requested()) {
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            std::cerr << "quillon-devsim: waiting for TCP connections failed: "
                      << std::strerror(errno) << '\n';
            return;
        }
        if (fds[listeners].revents != 0 || fds[listeners + 1].revents != 0) {
            return;
        }
        std::size_t k = 0;
        for (Device& d : m_devices) {
            if (!d.listener) {
                continue;
            }
            if (fds[k++].revents == 0) {
                continue;
            }
            sockaddr_in from{};
            socklen_t size = sizeof from;
            const UniqueSocket connection(::accept4(
                d.listener.get(), reinterpret_cast<sockaddr*>(&from), &size, SOCK_CLOEXEC));
            if (connection) {
                serve(d, connection.get(), from);
            }
        }
    }
}

void TcpServer::serve(Device& device, int connection, const sockaddr_in& from) {
    const std::string client = addressText(from);
    const std::uint16_t clientPort = ntohs(from.sin_port);
    std::vector<std::uint8_t> request;
    const bool whole = readRequest(connection, request);
    m_log.tcpReceived(client, clientPort, request);
    if (!whole) {
        return;
    }
    const std::uint16_t command = ByteReader(request).u16(10);
    const auto payload = std::span<const std::uint8_t>(request).subspan(FRAME_HEADER_SIZE);
    std::vector<std::uint8_t> reply = device.state->answer(command, payload);
    if (reply.empty()) {
        return;  // a command it does not know: it hangs up
    }
    const TcpReplyPlan plan = planTcpReply(std::move(reply), command, m_config.modes);
    if (!plan.bytes.empty()) {
        if (!sendReply(connection, plan)) {
            return;
        }
        m_log.tcpSent(client, clientPort, plan.bytes.size());
    }
    if (!plan.closeAfter) {
        hold(connection);
    }
}

bool TcpServer::readRequest(int connection, std::vector<std::uint8_t>& request) const {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(REQUEST_WAIT_MS);
    std::size_t wanted = FRAME_HEADER_SIZE;
    request.clear();
    while (request.size() < wanted) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !waitReadable(connection, static_cast<int>(left.count()))) {
            return false;
        }
        std::uint8_t chunk[65536];
        const std::size_t room = std::min(sizeof chunk, wanted - request.size());
        const ssize_t n = ::recv(connection, chunk, room, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
            return false;
        }
        if (n > 0) {
            request.insert(request.end(), chunk, chunk + n);
        }
        if (wanted == FRAME_HEADER_SIZE && request.size() == FRAME_HEADER_SIZE) {
            const ByteReader header(request);
            // Nothing longer than a settings block is ever sent to a device.
            if (header.u32(0) != FRAME_MAGIC || header.u32(4) > WIFI_SETTINGS_SIZE) {
                return false;
            }
            wanted += header.u32(4);
        }
    }
    return true;
}

bool TcpServer::sendReply(int connection, const TcpReplyPlan& plan) const {
    if (plan.trickle) {
        const int one = 1;
        ::setsockopt(connection, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    const std::size_t step = plan.trickle ? 1 : plan.bytes.size();
    std::size_t done = 0;
    while (done < plan.bytes.size()) {
        if (stopping()) {
            return false;
        }
        const ssize_t n = ::send(connection, plan.bytes.data() + done,
                                 std::min(step, plan.bytes.size() - done), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;  // the client went away
        }
        done += static_cast<std::size_t>(n);
        if (plan.trickle && done < plan.bytes.size() && m_trickleSpacing.count() > 0) {
            pollfd fds[2] = {{m_stop.fd(), POLLIN, 0}, {m_wake[0], POLLIN, 0}};
            const auto us = m_trickleSpacing.count();
            const timespec wait{static_cast<time_t>(us / 1000000),
                                static_cast<long>((us % 1000000) * 1000)};
            ::ppoll(fds, 2, &wait, nullptr);
        }
    }
    return true;
}

void TcpServer::hold(int connection) const {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(HOLD_LIMIT_MS);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !waitReadable(connection, static_cast<int>(left.count()))) {
            return;
        }
        std::uint8_t sink[4096];
        const ssize_t n = ::recv(connection, sink, sizeof sink, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
            return;
        }
    }
}

}  // namespace quillon::devsim

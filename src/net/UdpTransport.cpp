#include "net/UdpTransport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <ctime>
#include <random>
#include <string>

#include "net/FrameHeader.h"

namespace quillon {

namespace {

// The first port tried: the same for every socket opened within one second,
// as the devices' tools have always drawn it. A private generator per call
// keeps the draw safe when several threads open sockets at once.
std::uint16_t firstPortOffset() {
    std::minstd_rand generator(static_cast<std::minstd_rand::result_type>(std::time(nullptr)));
    return static_cast<std::uint16_t>(generator() % LOCAL_PORT_COUNT);
}

}  // namespace

bool OpenBroadcastSocket(UniqueSocket& socket, std::string_view address) {
    socket.reset();
    // Close-on-exec: a browser opened while a worker still runs must not keep
    // its port.
    UniqueSocket s(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!s) {
        return false;
    }
    const int on = 1;
    if (::setsockopt(s.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
        return false;
    }

    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = ::inet_addr(std::string(address).c_str());
    // A text inet_addr cannot read comes back as 255.255.255.255. Windows will
    // not bind to that, but Linux accepts it and then sends from whatever
    // interface the routing table picks, so the search would leave on an
    // adapter nobody chose. Refuse it as the original platform does.
    if (local.sin_addr.s_addr == INADDR_NONE) {
        return false;
    }

    const std::uint16_t first = firstPortOffset();
    for (std::uint16_t i = 0; i < LOCAL_PORT_COUNT; ++i) {
        const auto port =
            static_cast<std::uint16_t>(LOCAL_PORT_BASE + (first + i) % LOCAL_PORT_COUNT);
        local.sin_port = htons(port);
        if (::bind(s.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0) {
            socket = std::move(s);
            return true;
        }
        if (errno != EADDRINUSE) {
            return false;
        }
    }
    return false;
}

int SetReceiveBuffer(SOCKET socket, int bytes) {
    // SO_RCVBUF is capped at net.core.rmem_max (208 KiB on a stock system,
    // a third of what a thousand-device burst needs); a privileged process
    // may go past the cap, anyone else takes what the cap allows.
    if (::setsockopt(socket, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) != 0 &&
        ::setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes) != 0) {
        return -1;
    }
    int granted = 0;
    socklen_t size = sizeof granted;
    if (::getsockopt(socket, SOL_SOCKET, SO_RCVBUF, &granted, &size) != 0) {
        return -1;
    }
    return granted;
}

int SendBroadcast(SOCKET socket, std::span<const std::uint8_t> message) {
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(DEVICE_PORT);
    destination.sin_addr.s_addr = htonl(INADDR_BROADCAST);

    std::size_t sent = 0;
    while (sent < message.size()) {
        const ssize_t n =
            ::sendto(socket, message.data() + sent, message.size() - sent, 0,
                     reinterpret_cast<const sockaddr*>(&destination), sizeof destination);
        if (n < 0) {
            break;
        }
        sent += static_cast<std::size_t>(n);
    }
    return sent == message.size() ? 0 : -1;
}

int ReceiveWithTimeout(int ms, SOCKET socket, std::span<std::uint8_t> buffer) {
    pollfd fd{};
    fd.fd = socket;
    fd.events = POLLIN;
    if (::poll(&fd, 1, ms < 0 ? RECEIVE_SLICE_MS : ms) != 1) {
        return 0;
    }

    int pending = 0;
    socklen_t size = sizeof pending;
    if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &pending, &size) != 0 || pending != 0) {
        return 0;
    }
    if ((fd.revents & POLLIN) == 0) {
        return 0;
    }

    // MSG_TRUNC makes the kernel report the datagram's real length, so a
    // datagram that did not fit is seen for what it is.
    const ssize_t n = ::recvfrom(socket, buffer.data(), buffer.size(), MSG_TRUNC | MSG_DONTWAIT,
                                 nullptr, nullptr);
    if (n < 0) {
        return (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) ? 0 : -1;
    }
    if (static_cast<std::size_t>(n) > buffer.size()) {
        return -1;
    }
    return static_cast<int>(n);
}

std::uint16_t LocalPort(SOCKET socket) {
    sockaddr_in local{};
    socklen_t size = sizeof local;
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&local), &size) != 0) {
        return 0;
    }
    return ntohs(local.sin_port);
}

}  // namespace quillon

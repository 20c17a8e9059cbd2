#pragma once

// The far end of a loopback exchange: a plain datagram socket on 127.0.0.1
// that sends unicast to a port of this machine, standing in for a device
// answering a worker. It never broadcasts.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdint>
#include <span>

#include "platform/Socket.h"

namespace quillon::test {

class LoopbackPeer {
public:
    LoopbackPeer() : m_socket(::socket(AF_INET, SOCK_DGRAM, 0)) {}

    bool valid() const { return m_socket.valid(); }

    bool sendTo(std::uint16_t port, std::span<const std::uint8_t> bytes) const {
        const sockaddr_in to = loopback(port);
        const auto sent = ::sendto(m_socket.get(), bytes.data(), bytes.size(), 0,
                                   reinterpret_cast<const sockaddr*>(&to), sizeof to);
        return sent == static_cast<ssize_t>(bytes.size());
    }

    // True when nobody holds the port on 127.0.0.1 (or on every address).
    static bool canBind(std::uint16_t port) {
        const UniqueSocket probe(::socket(AF_INET, SOCK_DGRAM, 0));
        const sockaddr_in at = loopback(port);
        return ::bind(probe.get(), reinterpret_cast<const sockaddr*>(&at), sizeof at) == 0;
    }

private:
    static sockaddr_in loopback(std::uint16_t port) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return address;
    }

    UniqueSocket m_socket;
};

}  // namespace quillon::test

#pragma once

// The UDP side of the protocol: a broadcast socket bound to one adapter
// address and a port from 10000..10099, one broadcast to 255.255.255.255:8080,
// and bounded waits for the datagrams that come back to that port.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "platform/Socket.h"

namespace quillon {

inline constexpr std::uint16_t LOCAL_PORT_BASE = 10000;
inline constexpr std::uint16_t LOCAL_PORT_COUNT = 100;

// With a negative time-out a receive waits at most this long in the kernel
// when nothing is pending, so a polling loop sleeps instead of spinning and
// never overruns its own window by more than this.
inline constexpr int RECEIVE_SLICE_MS = 20;

// Opens an IPv4 datagram socket with SO_BROADCAST and binds it to address
// (dotted text; "0.0.0.0" binds to any local address) and a port drawn from
// 10000..10099 by a generator seeded with the current second. When that port
// is taken on the address, the other ports of the range are tried in turn, so
// two searches started in the same second both get a socket. Returns false
// and leaves socket empty when the address text is unreadable (or is
// 255.255.255.255), or when creation, the option or every bind fails.
bool OpenBroadcastSocket(UniqueSocket& socket, std::string_view address);

// Asks for a receive buffer of the given size (the kernel may grant less).
// A burst of replies from hundreds of devices must fit while the worker is
// between reads. Returns the size the kernel granted, or -1.
int SetReceiveBuffer(SOCKET socket, int bytes);

// Sends the message to 255.255.255.255:8080, repeating sendto until all is
// sent. Returns 0 when every byte went out, -1 otherwise.
int SendBroadcast(SOCKET socket, std::span<const std::uint8_t> message);

// Waits up to ms milliseconds (a negative ms: one short slice) for a datagram
// and reads it. Returns its size (> 0); 0 when nothing was read (time-out, a
// failed wait, an error pending on the socket, an empty datagram); -1 when
// the read failed, including a datagram larger than the buffer, which is
// discarded rather than handed over cut short.
int ReceiveWithTimeout(int ms, SOCKET socket, std::span<std::uint8_t> buffer);

// The local port a socket is bound to, or 0 (for diagnostics and tests).
std::uint16_t LocalPort(SOCKET socket);

}  // namespace quillon

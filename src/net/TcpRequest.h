#pragma once

// The wireless commands' exchanges: one fresh connection to the target device
// per request, one framed request, at most one framed reply, then closed.
// One exchange runs at a time in the process; a second caller waits for the
// first to end.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace quillon {

class CancelToken;

// The device at the other end: a dotted address text and its video port.
// Written only while no exchange runs (when the configuration dialog is
// given its device); every exchange goes to the target current when it
// connects.
inline constexpr std::size_t TARGET_IP_SIZE = 32;
extern std::array<char, TARGET_IP_SIZE> g_targetIp;
extern int g_targetPort;

// Sets both from a device entry's texts: the address cut to 31 characters,
// the port the port text's leading decimal digits (0 without any).
void SetTarget(std::string_view ip, std::string_view videoPortText);

// The auxiliary block's reply is read into this much room.
inline constexpr std::size_t AUX_BLOCK_SIZE = 409600;

// Sends command with payload and reads the reply's payload into replyBuffer.
// A replyBuffer without data (NO_REPLY) reads no reply. Results:
//   -1  no target, or the exchange failed: send incomplete, reply header
//       incomplete or without the magic, payload incomplete, a reply that
//       announces more than replyBuffer holds (nothing of it is read), or
//       cancelled after connecting;
//   -2  no connection (see CSocketEx::Connect), or no memory for the request;
//    0  sent and no reply wanted, or the reply announced no payload;
//    n  the reply announced n bytes and all n are at the start of replyBuffer.
// A failed exchange may leave replyBuffer partly written. The connection is
// closed on every path. cancel, when given, ends the exchange at once from
// any thread once cancelled.
int TcpRequest(std::span<std::uint8_t> replyBuffer, std::uint16_t command,
               std::span<const std::uint8_t> payload = {}, const CancelToken* cancel = nullptr);

inline constexpr std::span<std::uint8_t> NO_REPLY{};

// Sends g_wifiSettings with CMD_WIFI_SET_SETTINGS and returns the 32-bit
// result after the reply header, whatever the header's length says (so a
// device answering FFFFFFFE gives -2), or -1 when anything failed on the way.
// connected, when given, tells whether a connection was made.
int SubmitWifiSettings(const CancelToken* cancel = nullptr, bool* connected = nullptr);

}  // namespace quillon

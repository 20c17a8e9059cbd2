#pragma once

// How a simulated device's TCP reply goes out under the hostile modes: which
// bytes, one at a time or at once, and whether the device then closes or
// holds the connection until the client closes it. No sockets here.

#include <cstdint>
#include <vector>

#include "DevsimConfig.h"

namespace quillon::devsim {

// tcp-short-settings: a settings reply carries this many bytes of the block.
inline constexpr std::uint32_t SHORT_SETTINGS_SIZE = 600;

struct TcpReplyPlan {
    std::vector<std::uint8_t> bytes;
    bool trickle = false;     // one byte per send
    bool closeAfter = false;  // close at once instead of waiting for the client
};

// reply is the well-behaved answer (header and payload) to command.
TcpReplyPlan planTcpReply(std::vector<std::uint8_t> reply, std::uint16_t command,
                          const SimModes& modes);

}  // namespace quillon::devsim

#pragma once

// What one simulated device answers on its TCP port: its settings block,
// which a settings read returns and a settings write replaces, an auxiliary
// block, its visible networks, and joins, judged by unscrambling the key and
// comparing it with the network's configured one. No sockets here.

#include <cstdint>
#include <span>
#include <vector>

#include "DeviceProfile.h"
#include "WifiProfile.h"
#include "net/WifiSettingsBlock.h"

namespace quillon::devsim {

// The answer to a join whose network or key is wrong.
inline constexpr std::uint32_t JOIN_REFUSED = 1;
// The answer to a settings write whose payload is not a whole block.
inline constexpr std::uint32_t SET_REFUSED = 0xFFFFFFFF;

class WifiState {
public:
    explicit WifiState(const DeviceProfile& device);

    // The whole reply (header and payload) to one request; empty for a
    // command the device does not know, which it answers by closing.
    std::vector<std::uint8_t> answer(std::uint16_t command, std::span<const std::uint8_t> payload);

    const WifiSettingsBlock& settings() const { return m_settings; }
    const std::vector<NetworkProfile>& networks() const { return m_networks; }

private:
    std::vector<std::uint8_t> joinResult(std::span<const std::uint8_t> payload);

    WifiSettingsBlock m_settings;
    std::vector<NetworkProfile> m_networks;
    std::uint32_t m_auxSize;
    std::uint32_t m_setResult;
};

// A reply: the header {magic, length, 0, 0, command} and the payload.
std::vector<std::uint8_t> frameReply(std::uint16_t command, std::span<const std::uint8_t> payload);

// The byte the simulator puts at offset i of every block byte it does not
// interpret, so a client that changes one shows in the log.
std::uint8_t fillerByte(std::size_t i);

}  // namespace quillon::devsim

#pragma once

// The 12-byte header that opens every message on UDP and on the TCP channel,
// the command codes, and the fixed UDP messages built from them.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quillon {

inline constexpr std::uint32_t FRAME_MAGIC = 0xAAAA5555;
inline constexpr std::size_t FRAME_HEADER_SIZE = 12;
inline constexpr std::uint16_t DEVICE_PORT = 8080;

// Commands on UDP
inline constexpr std::uint16_t CMD_NETWORK = 0x9001;
inline constexpr std::uint16_t CMD_SEARCH = 0x9050;
// Commands of the TCP channel
inline constexpr std::uint16_t CMD_WIFI_GET_SETTINGS = 0x9100;
inline constexpr std::uint16_t CMD_GET_AUX_BLOCK = 0x9800;
inline constexpr std::uint16_t CMD_WIFI_SET_SETTINGS = 0xA100;
inline constexpr std::uint16_t CMD_WIFI_LIST_NETWORKS = 0xA112;
inline constexpr std::uint16_t CMD_WIFI_JOIN = 0xA113;

// Operation selectors of CMD_NETWORK
inline constexpr std::uint8_t NET_QUERY = 0;
inline constexpr std::uint8_t NET_SET_ADDRESS = 1;
inline constexpr std::uint8_t NET_SET_DHCP = 2;

struct FrameHeader {
    std::uint32_t magic = FRAME_MAGIC;
    std::uint32_t length = 0;
    std::uint8_t subCommand = 0;
    std::uint8_t reserved = 0;
    std::uint16_t command = 0;

    std::array<std::uint8_t, FRAME_HEADER_SIZE> Encode() const;
    // Empty when fewer than 12 bytes are given.
    static std::optional<FrameHeader> Decode(std::span<const std::uint8_t> bytes);

    bool operator==(const FrameHeader&) const = default;
};

// True when the data begins with the bytes 55 55 AA AA.
bool StartsWithMagic(std::span<const std::uint8_t> bytes);

// The two 12-byte search probes.
std::array<std::uint8_t, FRAME_HEADER_SIZE> BasicSearchProbe();
std::array<std::uint8_t, FRAME_HEADER_SIZE> ExtendedSearchProbe();

}  // namespace quillon

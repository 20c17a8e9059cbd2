#pragma once

// The payload of the set-address command, the set-DHCP message built from
// its MAC field, and the device's 16-byte answer to set DHCP.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace quillon {

inline constexpr std::size_t NET_ADDRESS_FIELD = 20;
inline constexpr std::size_t NET_ADDRESS_BLOCK_SIZE = 4 * NET_ADDRESS_FIELD;
inline constexpr std::size_t SET_ADDRESS_MESSAGE_SIZE = 12 + NET_ADDRESS_BLOCK_SIZE;
inline constexpr std::size_t DHCP_REPLY_SIZE = 16;

// Four NUL-terminated 20-byte texts. Fields are overwritten in place, so bytes
// after a terminator may hold the tail of an earlier, longer text; the block
// is sent exactly as it stands.
struct NetAddressBlock {
    std::array<char, NET_ADDRESS_FIELD> ip{};
    std::array<char, NET_ADDRESS_FIELD> gateway{};
    std::array<char, NET_ADDRESS_FIELD> subnetMask{};
    std::array<char, NET_ADDRESS_FIELD> mac{};

    std::array<std::uint8_t, NET_ADDRESS_BLOCK_SIZE> Encode() const;
};

// Copies text into a field the way a C string copy would: the characters, a
// NUL, and the bytes after it left as they were. Returns false and changes
// nothing when the text and its NUL do not fit.
bool CopyToField(std::array<char, NET_ADDRESS_FIELD>& field, std::string_view text);

// The field's text: up to the first NUL, at most the field's width.
std::string_view FieldText(const std::array<char, NET_ADDRESS_FIELD>& field);

// 12-byte header (CMD_NETWORK, NET_SET_ADDRESS, length 80) and the block.
std::array<std::uint8_t, SET_ADDRESS_MESSAGE_SIZE> BuildSetAddressMessage(
    const NetAddressBlock& block);

// 12-byte header (CMD_NETWORK, NET_SET_DHCP, length n) and the n characters of
// the MAC text without a terminator.
std::vector<std::uint8_t> BuildSetDhcpMessage(std::string_view macText);

// The result word of a DhcpReply; empty when fewer than 16 bytes arrived,
// which counts as no reply. Nothing but the size and the result is examined.
std::optional<std::uint32_t> ParseDhcpReply(std::span<const std::uint8_t> datagram);

}  // namespace quillon

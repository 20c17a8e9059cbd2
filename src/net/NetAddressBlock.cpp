#include "net/NetAddressBlock.h"

#include <algorithm>

#include "net/ByteReader.h"
#include "net/FrameHeader.h"

namespace quillon {

std::array<std::uint8_t, NET_ADDRESS_BLOCK_SIZE> NetAddressBlock::Encode() const {
    std::array<std::uint8_t, NET_ADDRESS_BLOCK_SIZE> out{};
    std::size_t offset = 0;
    for (const auto* field : {&ip, &gateway, &subnetMask, &mac}) {
        std::transform(field->begin(), field->end(), out.begin() + offset,
                       [](char c) { return static_cast<std::uint8_t>(c); });
        offset += NET_ADDRESS_FIELD;
    }
    return out;
}

bool CopyToField(std::array<char, NET_ADDRESS_FIELD>& field, std::string_view text) {
    if (text.size() >= field.size()) {
        return false;
    }
    std::copy(text.begin(), text.end(), field.begin());
    field[text.size()] = '\0';
    return true;
}

std::string_view FieldText(const std::array<char, NET_ADDRESS_FIELD>& field) {
    const auto end = std::find(field.begin(), field.end(), '\0');
    return std::string_view(field.data(), static_cast<std::size_t>(end - field.begin()));
}

std::array<std::uint8_t, SET_ADDRESS_MESSAGE_SIZE> BuildSetAddressMessage(
    const NetAddressBlock& block) {
    std::array<std::uint8_t, SET_ADDRESS_MESSAGE_SIZE> out{};
    const FrameHeader header{
        .length = NET_ADDRESS_BLOCK_SIZE, .subCommand = NET_SET_ADDRESS, .command = CMD_NETWORK};
    const auto head = header.Encode();
    const auto body = block.Encode();
    std::copy(head.begin(), head.end(), out.begin());
    std::copy(body.begin(), body.end(), out.begin() + FRAME_HEADER_SIZE);
    return out;
}

std::vector<std::uint8_t> BuildSetDhcpMessage(std::string_view macText) {
    const FrameHeader header{.length = static_cast<std::uint32_t>(macText.size()),
                             .subCommand = NET_SET_DHCP,
                             .command = CMD_NETWORK};
    const auto head = header.Encode();
    std::vector<std::uint8_t> out(head.begin(), head.end());
    for (const char c : macText) {
        out.push_back(static_cast<std::uint8_t>(c));
    }
    return out;
}

std::optional<std::uint32_t> ParseDhcpReply(std::span<const std::uint8_t> datagram) {
    const ByteReader in(datagram);
    if (!in.has(0, DHCP_REPLY_SIZE)) {
        return std::nullopt;
    }
    return in.u32(12);
}

}  // namespace quillon

#pragma once

// The 240-byte record a device sends in answer to either search probe, and
// the rule that cuts a reply datagram into record slots.

#include <cstddef>
#include <cstdint>
#include <span>

namespace quillon {

inline constexpr std::size_t DEVICE_RECORD_SIZE = 240;
inline constexpr std::size_t DEVICE_ID_SIZE = 16;
inline constexpr std::size_t EXTENDED_REPLY_SIZE = DEVICE_RECORD_SIZE + DEVICE_ID_SIZE;

// Field offsets and widths inside one record.
namespace record {
inline constexpr std::size_t NAME = 16, NAME_WIDTH = 64;
inline constexpr std::size_t SW_VERSION = 112, SW_VERSION_WIDTH = 32;
inline constexpr std::size_t VIDEO_COUNT = 144;
inline constexpr std::size_t AUDIO_COUNT = 145;
inline constexpr std::size_t ALARM_IN_COUNT = 146;
inline constexpr std::size_t ALARM_OUT_COUNT = 147;
inline constexpr std::size_t AUDIO_TALK = 148;
inline constexpr std::size_t STORAGE = 149;
inline constexpr std::size_t WIFI_SUPPORT = 150;
inline constexpr std::size_t CAPABILITY_BITS = 151;
inline constexpr std::size_t WEB_PORT = 152;
inline constexpr std::size_t VIDEO_PORT = 154;
inline constexpr std::size_t PHONE_PORT = 156;
inline constexpr std::size_t NET_STATE = 158;
inline constexpr std::size_t IP = 160;
inline constexpr std::size_t GATEWAY = 180;
inline constexpr std::size_t SUBNET_MASK = 200;
inline constexpr std::size_t MAC = 220;
inline constexpr std::size_t ADDRESS_WIDTH = 20;

// Bit 5 of the capability byte says the network state byte is valid.
inline constexpr std::uint8_t CAP_NET_STATE_VALID = 0x20;
// Bit 1 of the capability byte is read by the wireless page.
inline constexpr std::uint8_t CAP_WIFI_BIT = 0x02;
inline constexpr std::uint8_t STATE_DHCP_ON = 0x01;
inline constexpr std::uint8_t STATE_WIRELESS_ON = 0x02;
}  // namespace record

// Calls onSlot(offset) for each whole 240-byte slot of the datagram that
// begins with the magic, in order. A remainder shorter than a record is not a
// record; a slot with another first word is skipped. Reads nothing past the
// datagram. Returns the number of slots reported.
template <typename OnSlot>
std::size_t ForEachRecordSlot(std::span<const std::uint8_t> datagram, OnSlot&& onSlot);

bool SlotHasMagic(std::span<const std::uint8_t> datagram, std::size_t offset);

template <typename OnSlot>
std::size_t ForEachRecordSlot(std::span<const std::uint8_t> datagram, OnSlot&& onSlot) {
    const std::size_t slots = datagram.size() / DEVICE_RECORD_SIZE;
    std::size_t reported = 0;
    for (std::size_t k = 0; k < slots; ++k) {
        const std::size_t offset = k * DEVICE_RECORD_SIZE;
        if (SlotHasMagic(datagram, offset)) {
            onSlot(offset);
            ++reported;
        }
    }
    return reported;
}

}  // namespace quillon

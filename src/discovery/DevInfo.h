#pragma once

// The device entry: what the system knows of one device, copied wherever it
// goes. Numbers are kept as the decimal texts the list shows.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace quillon {

struct DevInfo {
    std::string name;
    std::int32_t wifiSupport = 0;
    std::string ip;
    std::string gateway;
    std::string subnetMask;
    std::string mac;
    std::string swVersion;
    std::string videoCount;
    std::string audioCount;
    std::string alarmInCount;
    std::string alarmOutCount;
    std::string audioTalk;
    std::string storage;
    std::string capabilityBits;
    std::string webPort;
    std::string videoPort;
    std::string phonePort;
    std::string deviceId;
    bool dhcpOn = false;
    bool wirelessOn = false;
    bool netStateValid = false;
    std::string dhcpText;
    std::string wirelessText;

    bool operator==(const DevInfo&) const = default;
};

enum class SearchKind { Basic, Extended };

// The entry for the record slot at slotOffset of a received datagram. For an
// extended search the device ID is the 16 bytes after the slot; bytes beyond
// the datagram read as NUL, so a bare 240-byte reply gives an empty ID.
// Reads nothing outside the datagram; the caller has checked the slot's magic
// and that the whole 240-byte slot lies inside the datagram.
DevInfo DevInfoFromRecord(std::span<const std::uint8_t> datagram, std::size_t slotOffset,
                          SearchKind kind);

}  // namespace quillon

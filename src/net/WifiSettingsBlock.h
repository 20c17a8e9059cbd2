#pragma once

// A device's whole wireless settings block, as CMD_WIFI_GET_SETTINGS returns it
// and CMD_WIFI_SET_SETTINGS takes it back. Only a handful of fields mean
// anything to us; every other byte is the device's business and goes back
// exactly as it came, so the block is kept as raw bytes and the fields are
// read and written at their offsets.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace quillon {

inline constexpr std::size_t WIFI_SETTINGS_SIZE = 52476;
// Set in flags before every submit; the other bits go back as read.
inline constexpr std::uint32_t WIFI_SUBMIT_FLAG = 0x400;

// Field offsets inside the block. Address fields hold their bytes in text
// order: 192.168.1.10 is C0 A8 01 0A.
namespace wifi {
inline constexpr std::size_t WIFI_ENABLED = 536;
inline constexpr std::size_t DHCP_ENABLED = 537;
inline constexpr std::size_t IP = 538;
inline constexpr std::size_t SUBNET_MASK = 542;
inline constexpr std::size_t GATEWAY = 546;
inline constexpr std::size_t MAC = 550;
inline constexpr std::size_t DNS_PRIMARY = 556;
inline constexpr std::size_t DNS_SECONDARY = 560;
inline constexpr std::size_t FLAGS = 636;
inline constexpr std::size_t ADDRESS_SIZE = 4;
inline constexpr std::size_t MAC_SIZE = 6;
}  // namespace wifi

class WifiSettingsBlock {
public:
    using Address = std::span<std::uint8_t, wifi::ADDRESS_SIZE>;
    using ConstAddress = std::span<const std::uint8_t, wifi::ADDRESS_SIZE>;

    std::uint8_t wifiEnabled() const { return m_bytes[wifi::WIFI_ENABLED]; }
    void setWifiEnabled(std::uint8_t on) { m_bytes[wifi::WIFI_ENABLED] = on; }
    std::uint8_t dhcpEnabled() const { return m_bytes[wifi::DHCP_ENABLED]; }
    void setDhcpEnabled(std::uint8_t on) { m_bytes[wifi::DHCP_ENABLED] = on; }

    Address ip() { return address<wifi::IP>(); }
    ConstAddress ip() const { return address<wifi::IP>(); }
    Address subnetMask() { return address<wifi::SUBNET_MASK>(); }
    ConstAddress subnetMask() const { return address<wifi::SUBNET_MASK>(); }
    Address gateway() { return address<wifi::GATEWAY>(); }
    ConstAddress gateway() const { return address<wifi::GATEWAY>(); }
    Address dnsPrimary() { return address<wifi::DNS_PRIMARY>(); }
    ConstAddress dnsPrimary() const { return address<wifi::DNS_PRIMARY>(); }
    Address dnsSecondary() { return address<wifi::DNS_SECONDARY>(); }
    ConstAddress dnsSecondary() const { return address<wifi::DNS_SECONDARY>(); }
    std::span<std::uint8_t, wifi::MAC_SIZE> mac() {
        return std::span(m_bytes).subspan<wifi::MAC, wifi::MAC_SIZE>();
    }
    std::span<const std::uint8_t, wifi::MAC_SIZE> mac() const {
        return std::span(m_bytes).subspan<wifi::MAC, wifi::MAC_SIZE>();
    }

    // Little-endian on the wire.
    std::uint32_t flags() const;
    void setFlags(std::uint32_t value);

    // The whole block, as sent and received.
    std::span<std::uint8_t, WIFI_SETTINGS_SIZE> bytes() { return m_bytes; }
    std::span<const std::uint8_t, WIFI_SETTINGS_SIZE> bytes() const { return m_bytes; }

    // Overwrites the leading bytes with a reply of any length: a reply shorter
    // than the block leaves the rest as it was, one longer is cut at the
    // block's end. Returns the number of bytes taken.
    std::size_t assignLeading(std::span<const std::uint8_t> reply);

private:
    template <std::size_t Offset>
    Address address() {
        return std::span(m_bytes).template subspan<Offset, wifi::ADDRESS_SIZE>();
    }
    template <std::size_t Offset>
    ConstAddress address() const {
        return std::span(m_bytes).template subspan<Offset, wifi::ADDRESS_SIZE>();
    }

    std::array<std::uint8_t, WIFI_SETTINGS_SIZE> m_bytes{};
};

// The fields follow each other as the devices lay them out, and none runs
// past the block.
static_assert(sizeof(WifiSettingsBlock) == WIFI_SETTINGS_SIZE);
static_assert(wifi::DHCP_ENABLED == wifi::WIFI_ENABLED + 1);
static_assert(wifi::IP == wifi::DHCP_ENABLED + 1);
static_assert(wifi::SUBNET_MASK == wifi::IP + wifi::ADDRESS_SIZE);
static_assert(wifi::GATEWAY == wifi::SUBNET_MASK + wifi::ADDRESS_SIZE);
static_assert(wifi::MAC == wifi::GATEWAY + wifi::ADDRESS_SIZE);
static_assert(wifi::DNS_PRIMARY == wifi::MAC + wifi::MAC_SIZE);
static_assert(wifi::DNS_SECONDARY == wifi::DNS_PRIMARY + wifi::ADDRESS_SIZE);
static_assert(wifi::FLAGS == wifi::DNS_SECONDARY + wifi::ADDRESS_SIZE + 72);
static_assert(wifi::FLAGS + 4 + 51836 == WIFI_SETTINGS_SIZE);

// The one block of the process: all zero at start, overwritten by each
// settings read, changed by Submit, never cleared. Written only while no
// exchange runs; the WiFi page keeps its worker and Submit apart.
extern WifiSettingsBlock g_wifiSettings;

}  // namespace quillon

#pragma once

// One wireless network as the devices describe it: an element of the
// CMD_WIFI_LIST_NETWORKS reply and the payload of CMD_WIFI_JOIN. Kept as its
// 72 wire bytes, so bytes we don't interpret travel unchanged.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quillon {

inline constexpr std::size_t WIFI_NETWORK_RECORD_SIZE = 72;
inline constexpr std::size_t WIFI_SSID_SIZE = 32;
inline constexpr std::size_t WIFI_KEY_SIZE = 32;
// A list reply is read into room for this many records.
inline constexpr std::size_t MAX_NETWORKS = 100;
inline constexpr std::size_t NETWORK_LIST_BUFFER_SIZE = MAX_NETWORKS * WIFI_NETWORK_RECORD_SIZE;

// authMode values
inline constexpr std::uint8_t AUTH_NONE = 0;
inline constexpr std::uint8_t AUTH_WEP = 1;
inline constexpr std::uint8_t AUTH_WPA_PSK = 2;
inline constexpr std::uint8_t AUTH_WPA2_PSK = 4;
inline constexpr std::uint8_t AUTH_WPA_WPA2_PSK = 6;
// wepKeyIndex when no slot was chosen
inline constexpr std::uint8_t WEP_KEY_NONE = 0xFF;

namespace wifinet {
inline constexpr std::size_t SSID = 0;
inline constexpr std::size_t KEY = 32;
inline constexpr std::size_t AUTH_MODE = 65;
inline constexpr std::size_t WEP_KEY_INDEX = 66;
inline constexpr std::size_t SIGNAL = 67;
inline constexpr std::size_t CONNECTED = 68;
inline constexpr std::size_t KEY_FORMAT = 69;
}  // namespace wifinet

class WifiNetworkRecord {
public:
    using Bytes = std::array<std::uint8_t, WIFI_NETWORK_RECORD_SIZE>;

    WifiNetworkRecord() = default;
    explicit WifiNetworkRecord(const Bytes& bytes) : m_bytes(bytes) {}

    // The fixed-width text fields, written in place (the join dialog writes a
    // name without a terminator over the listed one).
    std::span<std::uint8_t, WIFI_SSID_SIZE> ssidField() {
        return std::span(m_bytes).subspan<wifinet::SSID, WIFI_SSID_SIZE>();
    }
    std::span<const std::uint8_t, WIFI_SSID_SIZE> ssidField() const {
        return std::span(m_bytes).subspan<wifinet::SSID, WIFI_SSID_SIZE>();
    }
    std::span<std::uint8_t, WIFI_KEY_SIZE> keyField() {
        return std::span(m_bytes).subspan<wifinet::KEY, WIFI_KEY_SIZE>();
    }
    std::span<const std::uint8_t, WIFI_KEY_SIZE> keyField() const {
        return std::span(m_bytes).subspan<wifinet::KEY, WIFI_KEY_SIZE>();
    }

    // The texts up to their first NUL, never past their field: a name that
    // fills all 32 bytes stops there and does not run into the key.
    std::string ssid() const;
    std::string key() const;

    std::uint8_t authMode() const { return m_bytes[wifinet::AUTH_MODE]; }
    void setAuthMode(std::uint8_t v) { m_bytes[wifinet::AUTH_MODE] = v; }
    std::uint8_t wepKeyIndex() const { return m_bytes[wifinet::WEP_KEY_INDEX]; }
    void setWepKeyIndex(std::uint8_t v) { m_bytes[wifinet::WEP_KEY_INDEX] = v; }
    std::uint8_t signal() const { return m_bytes[wifinet::SIGNAL]; }
    void setSignal(std::uint8_t v) { m_bytes[wifinet::SIGNAL] = v; }
    std::uint8_t connected() const { return m_bytes[wifinet::CONNECTED]; }
    void setConnected(std::uint8_t v) { m_bytes[wifinet::CONNECTED] = v; }
    std::uint8_t keyFormat() const { return m_bytes[wifinet::KEY_FORMAT]; }
    void setKeyFormat(std::uint8_t v) { m_bytes[wifinet::KEY_FORMAT] = v; }

    const Bytes& bytes() const { return m_bytes; }
    Bytes& bytes() { return m_bytes; }

    bool operator==(const WifiNetworkRecord&) const = default;

private:
    Bytes m_bytes{};
};

static_assert(sizeof(WifiNetworkRecord) == WIFI_NETWORK_RECORD_SIZE);
static_assert(wifinet::KEY == wifinet::SSID + WIFI_SSID_SIZE);
static_assert(wifinet::AUTH_MODE == wifinet::KEY + WIFI_KEY_SIZE + 1);
static_assert(wifinet::KEY_FORMAT + 1 + 2 == WIFI_NETWORK_RECORD_SIZE);

// The records of a list reply, in reply order: the first size / 72 whole
// records (a trailing partial record is not a record), never more than
// MAX_NETWORKS whatever the reply's length.
std::vector<WifiNetworkRecord> ParseNetworkList(std::span<const std::uint8_t> reply);

}  // namespace quillon

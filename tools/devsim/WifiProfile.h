#pragma once

// A simulated device's wireless side as configured: the interpreted fields of
// its settings block, the networks it sees with their keys, and what it
// answers. Read from the "wifi" object of a device in the config file.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace quillon::devsim {

struct NetworkProfile {
    std::string ssid;  // up to 32 bytes
    std::string key;   // up to 32 bytes; a join must bring exactly this
    std::uint8_t authMode = 0;
    std::uint8_t wepKeyIndex = 0xFF;
    std::uint8_t signal = 200;
    std::uint8_t connected = 0;
    std::uint8_t keyFormat = 0;
};

struct WifiProfile {
    std::uint8_t enabled = 1;
    std::uint8_t dhcp = 0;
    // Empty: the device's own wired address, mask, gateway and MAC.
    std::string ip;
    std::string subnetMask;
    std::string gateway;
    std::string mac;
    std::string dnsPrimary = "10.77.1.53";
    std::string dnsSecondary = "0.0.0.0";
    std::uint32_t flags = 0;
    std::uint32_t auxSize = 4096;
    std::uint32_t setResult = 0;  // the answer to a whole settings block
    std::vector<NetworkProfile> networks;
};

inline constexpr std::uint32_t MAX_AUX_SIZE = 1024 * 1024;
inline constexpr std::size_t MAX_CONFIGURED_NETWORKS = 1000;

// Reads the "wifi" object into profile. Returns "" when it is good, else what is
// wrong, naming the key ("key \"networks\": network 2: key \"signal\": ...").
// Unknown keys, wrong types and out-of-range values are errors.
std::string parseWifiProfile(const nlohmann::json& value, WifiProfile& profile);

}  // namespace quillon::devsim

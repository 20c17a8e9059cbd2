#include "WifiProfile.h"

#include <nlohmann/json.hpp>

namespace quillon::devsim {

namespace {

using json = nlohmann::json;

struct ProfileError {
    std::string what;
};

std::string describe(const json& value) {
    if (value.is_number() || value.is_null() || value.is_boolean()) {
        return value.dump();
    }
    const std::string type = value.type_name();
    return (type == "object" || type == "array" ? "an " : "a ") + type;
}

std::int64_t integerIn(const json& value, std::int64_t low, std::int64_t high) {
    const bool inRange =
        value.is_number_integer() &&
        (value.is_number_unsigned()
             ? value.get<std::uint64_t>() <= static_cast<std::uint64_t>(high)
             : value.get<std::int64_t>() >= low && value.get<std::int64_t>() <= high);
    if (!inRange) {
        throw ProfileError{"must be an integer in " + std::to_string(low) + ".." +
                           std::to_string(high) + ", not " + describe(value)};
    }
    return value.get<std::int64_t>();
}

std::uint8_t byteOf(const json& value) {
    return static_cast<std::uint8_t>(integerIn(value, 0, 255));
}

std::string textOf(const json& value, std::size_t widest) {
    if (!value.is_string()) {
        throw ProfileError{"must be a string, not " + describe(value)};
    }
    const std::string& text = value.get_ref<const std::string&>();
    if (text.size() > widest) {
        throw ProfileError{"is longer than " + std::to_string(widest) + " bytes"};
    }
    return text;
}

// Runs apply on each key of an object, naming the key in any error.
template <typename Apply>
void eachKey(const json& object, Apply&& apply) {
    if (!object.is_object()) {
        throw ProfileError{"must be an object, not " + describe(object)};
    }
    for (const auto& [key, value] : object.items()) {
        try {
            if (!apply(key, value)) {
                throw ProfileError{"unknown key"};
            }
        } catch (const ProfileError& e) {
            throw ProfileError{"key \"" + key + "\": " + e.what};
        }
    }
}

NetworkProfile parseNetwork(const json& value) {
    NetworkProfile n;
    eachKey(value, [&](const std::string& key, const json& v) {
        if (key == "ssid") {
            n.ssid = textOf(v, 32);
        } else if (key == "key") {
            n.key = textOf(v, 32);
        } else if (key == "authMode") {
            n.authMode = byteOf(v);
        } else if (key == "wepKeyIndex") {
            n.wepKeyIndex = byteOf(v);
        } else if (key == "signal") {
            n.signal = byteOf(v);
        } else if (key == "connected") {
            n.connected = byteOf(v);
        } else if (key == "keyFormat") {
            n.keyFormat = byteOf(v);
        } else {
            return false;
        }
        return true;
    });
    return n;
}

std::vector<NetworkProfile> parseNetworks(const json& value) {
    if (!value.is_array()) {
        throw ProfileError{"must be an array, not " + describe(value)};
    }
    if (value.size() > MAX_CONFIGURED_NETWORKS) {
        throw ProfileError{"more than " + std::to_string(MAX_CONFIGURED_NETWORKS) + " networks"};
    }
    std::vector<NetworkProfile> networks;
    for (const json& item : value) {
        try {
            networks.push_back(parseNetwork(item));
        } catch (const ProfileError& e) {
            throw ProfileError{"network " + std::to_string(networks.size() + 1) + ": " + e.what};
        }
    }
    return networks;
}

}  // namespace

std::string parseWifiProfile(const json& value, WifiProfile& profile) {
    try {
        eachKey(value, [&](const std::string& key, const json& v) {
            if (key == "enabled") {
                profile.enabled = byteOf(v);
            } else if (key == "dhcp") {
                profile.dhcp = byteOf(v);
            } else if (key == "ip") {
                profile.ip = textOf(v, 31);
            } else if (key == "subnetMask") {
                profile.subnetMask = textOf(v, 31);
            } else if (key == "gateway") {
                profile.gateway = textOf(v, 31);
            } else if (key == "mac") {
                profile.mac = textOf(v, 31);
            } else if (key == "dnsPrimary") {
                profile.dnsPrimary = textOf(v, 31);
            } else if (key == "dnsSecondary") {
                profile.dnsSecondary = textOf(v, 31);
            } else if (key == "flags") {
                profile.flags = static_cast<std::uint32_t>(integerIn(v, 0, 0xFFFFFFFF));
            } else if (key == "auxSize") {
                profile.auxSize = static_cast<std::uint32_t>(integerIn(v, 0, MAX_AUX_SIZE));
            } else if (key == "setResult") {
                // Negative results are given as such; on the wire they are the
                // same 32 bits.
                profile.setResult = static_cast<std::uint32_t>(integerIn(v, INT32_MIN, 0xFFFFFFFF));
            } else if (key == "networks") {
                profile.networks = parseNetworks(v);
            } else {
                return false;
            }
            return true;
        });
    } catch (const ProfileError& e) {
        return e.what;
    }
    return {};
}

}  // namespace quillon::devsim

#include "WifiSpec.h"

#include <nlohmann/json.hpp>

namespace quillon::devsim {

namespace {

using json = nlohmann::json;

struct SpecError {
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
        throw SpecError{"must be an integer in " + std::to_string(low) + ".." +
                        std::to_string(high) + ", not " + describe(value)};
    }
    return value.get<std::int64_t>();
}

std::uint8_t byteOf(const json& value) {
    return static_cast<std::uint8_t>(integerIn(value, 0, 255));
}

std::string textOf(const json& value, std::size_t widest) {
    if (!value.is_string()) {
        throw SpecError{"must be a string, not " + describe(value)};
    }
    const std::string& text = value.get_ref<const std::string&>();
    if (text.size() > widest) {
        throw SpecError{"is longer than " + std::to_string(widest) + " bytes"};
    }
    return text;
}

// Runs apply on each key of an object, naming the key in any error.
template <typename Apply>
void eachKey(const json& object, Apply&& apply) {
    if (!object.is_object()) {
        throw SpecError{"must be an object, not " + describe(object)};
    }
    for (const auto& [key, value] : object.items()) {
        try {
            if (!apply(key, value)) {
                throw SpecError{"unknown key"};
            }
        } catch (const SpecError& e) {
            throw SpecError{"key \"" + key + "\": " + e.what};
        }
    }
}

NetworkSpec parseNetwork(const json& value) {
    NetworkSpec n;
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

std::vector<NetworkSpec> parseNetworks(const json& value) {
    if (!value.is_array()) {
        throw SpecError{"must be an array, not " + describe(value)};
    }
    if (value.size() > MAX_CONFIGURED_NETWORKS) {
        throw SpecError{"more than " + std::to_string(MAX_CONFIGURED_NETWORKS) + " networks"};
    }
    std::vector<NetworkSpec> networks;
    for (const json& item : value) {
        try {
            networks.push_back(parseNetwork(item));
        } catch (const SpecError& e) {
            throw SpecError{"network " + std::to_string(networks.size() + 1) + ": " + e.what};
        }
    }
    return networks;
}

}  // namespace

std::string parseWifiSpec(const json& value, WifiSpec& spec) {
    try {
        eachKey(value, [&](const std::string& key, const json& v) {
            if (key == "enabled") {
                spec.enabled = byteOf(v);
            } else if (key == "dhcp") {
                spec.dhcp = byteOf(v);
            } else if (key == "ip") {
                spec.ip = textOf(v, 31);
            } else if (key == "subnetMask") {
                spec.subnetMask = textOf(v, 31);
            } else if (key == "gateway") {
                spec.gateway = textOf(v, 31);
            } else if (key == "mac") {
                spec.mac = textOf(v, 31);
            } else if (key == "dnsPrimary") {
                spec.dnsPrimary = textOf(v, 31);
            } else if (key == "dnsSecondary") {
                spec.dnsSecondary = textOf(v, 31);
            } else if (key == "flags") {
                spec.flags = static_cast<std::uint32_t>(integerIn(v, 0, 0xFFFFFFFF));
            } else if (key == "auxSize") {
                spec.auxSize = static_cast<std::uint32_t>(integerIn(v, 0, MAX_AUX_SIZE));
            } else if (key == "setResult") {
                // Negative results are given as such; on the wire they are the
                // same 32 bits.
                spec.setResult = static_cast<std::uint32_t>(integerIn(v, INT32_MIN, 0xFFFFFFFF));
            } else if (key == "networks") {
                spec.networks = parseNetworks(v);
            } else {
                return false;
            }
            return true;
        });
    } catch (const SpecError& e) {
        return e.what;
    }
    return {};
}

}  // namespace quillon::devsim

#include "DevsimConfig.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include <nlohmann/json.hpp>

namespace quillon::devsim {

namespace {

using json = nlohmann::json;

// Carries a description up to parseConfig; never leaves this file.
struct ConfigError {
    std::string what;
};

inline constexpr std::uint32_t MAX_REPEAT = 100;

std::string inQuotes(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

// "a string", "null", or the number itself for one that is not an integer,
// so that "must be an integer, not 80.5" says what was found.
std::string describe(const json& value) {
    if (value.is_number()) {
        return value.dump();
    }
    if (value.is_null()) {
        return "null";
    }
    const std::string type = value.type_name();
    return (type == "object" || type == "array" ? "an " : "a ") + type;
}

std::int64_t integerIn(const json& value, std::int64_t low, std::int64_t high) {
    if (!value.is_number_integer()) {
        throw ConfigError{"must be an integer, not " + describe(value)};
    }
    const bool inRange =
        value.is_number_unsigned()
            ? value.get<std::uint64_t>() <= static_cast<std::uint64_t>(high)
            : value.get<std::int64_t>() >= low && value.get<std::int64_t>() <= high;
    if (!inRange) {
        throw ConfigError{value.dump() + " is out of range " + std::to_string(low) + ".." +
                          std::to_string(high)};
    }
    return value.get<std::int64_t>();
}

const std::string& textOf(const json& value) {
    if (!value.is_string()) {
        throw ConfigError{"must be a string, not " + describe(value)};
    }
    return value.get_ref<const std::string&>();
}

template <std::string DeviceProfile::*Field>
void setText(DeviceProfile& device, const json& value) {
    device.*Field = textOf(value);
}

// The single-byte counts are signed on the wire but a configuration may also
// give the raw byte, so both -1 and 255 mean FF.
template <std::uint8_t DeviceProfile::*Field>
void setCount(DeviceProfile& device, const json& value) {
    device.*Field = static_cast<std::uint8_t>(integerIn(value, -128, 255) & 0xFF);
}

template <std::uint8_t DeviceProfile::*Field>
void setBitSet(DeviceProfile& device, const json& value) {
    device.*Field = static_cast<std::uint8_t>(integerIn(value, 0, 255));
}

template <std::uint16_t DeviceProfile::*Field>
void setPort(DeviceProfile& device, const json& value) {
    device.*Field = static_cast<std::uint16_t>(integerIn(value, 0, 65535));
}

void setAnswers(DeviceProfile& device, const json& value) {
    const std::string& text = textOf(value);
    if (text == "both") {
        device.answers = ProbeAnswers::Both;
    } else if (text == "basic") {
        device.answers = ProbeAnswers::Basic;
    } else if (text == "extended") {
        device.answers = ProbeAnswers::Extended;
    } else {
        throw ConfigError{"must be \"both\", \"basic\" or \"extended\", not " + inQuotes(text)};
    }
}

void setWifi(DeviceProfile& device, const json& value) {
    if (std::string error = parseWifiProfile(value, device.wifi); !error.empty()) {
        throw ConfigError{error};
    }
}

void setDhcpAnswer(DeviceProfile& device, const json& value) {
    const std::string& text = textOf(value);
    if (text == "reply") {
        device.dhcpAnswer = DhcpAnswer::Reply;
    } else if (text == "silent") {
        device.dhcpAnswer = DhcpAnswer::Silent;
    } else if (text == "short") {
        device.dhcpAnswer = DhcpAnswer::Short;
    } else if (text == "long") {
        device.dhcpAnswer = DhcpAnswer::Long;
    } else {
        throw ConfigError{"must be \"reply\", \"silent\", \"short\" or \"long\", not " +
                          inQuotes(text)};
    }
}

void setDhcpResult(DeviceProfile& device, const json& value) {
    device.dhcpResult = static_cast<std::uint32_t>(integerIn(value, 0, 0xFFFFFFFF));
}

void setRepeat(DeviceProfile& device, const json& value) {
    device.repeat = static_cast<std::uint32_t>(integerIn(value, 0, MAX_REPEAT));
}

struct DeviceKey {
    std::string_view name;
    void (*apply)(DeviceProfile&, const json&);
};

constexpr std::array DEVICE_KEYS = {
    DeviceKey{"name", setText<&DeviceProfile::name>},
    DeviceKey{"ip", setText<&DeviceProfile::ip>},
    DeviceKey{"gateway", setText<&DeviceProfile::gateway>},
    DeviceKey{"subnetMask", setText<&DeviceProfile::subnetMask>},
    DeviceKey{"mac", setText<&DeviceProfile::mac>},
    DeviceKey{"swVersion", setText<&DeviceProfile::swVersion>},
    DeviceKey{"deviceId", setText<&DeviceProfile::deviceId>},
    DeviceKey{"videoCount", setCount<&DeviceProfile::videoCount>},
    DeviceKey{"audioCount", setCount<&DeviceProfile::audioCount>},
    DeviceKey{"alarmInCount", setCount<&DeviceProfile::alarmInCount>},
    DeviceKey{"alarmOutCount", setCount<&DeviceProfile::alarmOutCount>},
    DeviceKey{"audioTalk", setCount<&DeviceProfile::audioTalk>},
    DeviceKey{"storage", setCount<&DeviceProfile::storage>},
    DeviceKey{"wifiSupport", setCount<&DeviceProfile::wifiSupport>},
    DeviceKey{"capabilityBits", setBitSet<&DeviceProfile::capabilityBits>},
    DeviceKey{"netState", setBitSet<&DeviceProfile::netState>},
    DeviceKey{"webPort", setPort<&DeviceProfile::webPort>},
    DeviceKey{"videoPort", setPort<&DeviceProfile::videoPort>},
    DeviceKey{"phonePort", setPort<&DeviceProfile::phonePort>},
    DeviceKey{"answers", setAnswers},
    DeviceKey{"repeat", setRepeat},
    DeviceKey{"dhcpAnswer", setDhcpAnswer},
    DeviceKey{"dhcpResult", setDhcpResult},
    DeviceKey{"wifi", setWifi},
};

DeviceProfile parseDevice(const json& value, std::uint32_t number) {
    const std::string where = "device " + std::to_string(number) + ": ";
    if (!value.is_object()) {
        throw ConfigError{where + "must be an object, not " + describe(value)};
    }
    DeviceProfile device = configuredDeviceDefaults(number);
    for (const auto& [key, field] : value.items()) {
        const auto* known = std::find_if(DEVICE_KEYS.begin(), DEVICE_KEYS.end(),
                                         [&](const DeviceKey& k) { return k.name == key; });
        if (known == DEVICE_KEYS.end()) {
            throw ConfigError{where + "unknown key " + inQuotes(key)};
        }
        try {
            known->apply(device, field);
        } catch (const ConfigError& e) {
            throw ConfigError{where + "key " + inQuotes(key) + ": " + e.what};
        }
    }
    return device;
}

SimModes parseModes(const json& value) {
    if (!value.is_array()) {
        throw ConfigError{"must be an array of mode names, not " + describe(value)};
    }
    SimModes modes;
    for (const json& item : value) {
        const std::string& name = textOf(item);
        if (!applyModeName(modes, name)) {
            throw ConfigError{"unknown mode " + inQuotes(name)};
        }
    }
    return modes;
}

DevsimConfig parseTop(const json& top) {
    if (!top.is_object()) {
        throw ConfigError{"the top level must be an object, not " + describe(top)};
    }
    DevsimConfig config;
    for (const auto& [key, value] : top.items()) {
        if (key == "devices") {
            if (!value.is_array()) {
                throw ConfigError{"key \"devices\": must be an array, not " + describe(value)};
            }
            for (const json& item : value) {
                config.devices.push_back(
                    parseDevice(item, static_cast<std::uint32_t>(config.devices.size() + 1)));
            }
        } else if (key == "modes") {
            try {
                config.modes = parseModes(value);
            } catch (const ConfigError& e) {
                throw ConfigError{"key \"modes\": " + e.what};
            }
        } else {
            throw ConfigError{"unknown key " + inQuotes(key) + " (known: \"devices\", \"modes\")"};
        }
    }
    return config;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

const std::vector<std::string>& modeNames() {
    static const std::vector<std::string> names = {
        "burst",         "wrong-magic",     "short",           "extended-240",      "unterminated",
        "mac-case",      "tcp-refuse",      "tcp-silent",      "tcp-header-only",   "tcp-trickle",
        "tcp-close-mid", "tcp-wrong-magic", "tcp-huge-length", "tcp-short-settings"};
    return names;
}

bool applyModeName(SimModes& modes, std::string_view name) {
    bool SimModes::*const flags[] = {
        &SimModes::burst,         &SimModes::wrongMagic,      &SimModes::shortReplies,
        &SimModes::extended240,   &SimModes::unterminated,    &SimModes::macCase,
        &SimModes::tcpRefuse,     &SimModes::tcpSilent,       &SimModes::tcpHeaderOnly,
        &SimModes::tcpTrickle,    &SimModes::tcpCloseMid,     &SimModes::tcpWrongMagic,
        &SimModes::tcpHugeLength, &SimModes::tcpShortSettings};
    static_assert(std::size(flags) == 14, "one flag per mode name");
    const auto& names = modeNames();
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == name) {
            modes.*flags[i] = true;
            return true;
        }
    }
    return false;
}

ConfigLoad parseConfig(std::string_view text, std::string_view fileName) {
    const std::string prefix = std::string(fileName) + ": ";
    json top;
    try {
        top = json::parse(text);
    } catch (const json::parse_error& e) {
        // Drop the library's "[json.exception.parse_error.101] " tag.
        std::string what = e.what();
        const auto tagEnd = what.find("] ");
        return {std::nullopt, prefix + "not valid JSON: " +
                                  (tagEnd == std::string::npos ? what : what.substr(tagEnd + 2))};
    }
    try {
        return {parseTop(top), {}};
    } catch (const ConfigError& e) {
        return {std::nullopt, prefix + e.what};
    }
}

ConfigLoad loadConfigFile(const std::string& path) {
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return {std::nullopt, path + ": cannot be opened: " + std::strerror(errno)};
    }
    std::string text;
    std::array<char, 65536> chunk;
    std::size_t n = 0;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), file.get())) > 0) {
        text.append(chunk.data(), n);
        if (text.size() > MAX_CONFIG_BYTES) {
            return {std::nullopt, path + ": larger than " +
                                      std::to_string(MAX_CONFIG_BYTES / (1024 * 1024)) + " MiB"};
        }
    }
    if (std::ferror(file.get())) {
        return {std::nullopt, path + ": cannot be read: " + std::strerror(errno)};
    }
    return parseConfig(text, path);
}

}  // namespace quillon::devsim

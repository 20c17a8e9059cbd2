#include "DevInfoJson.h"

namespace quillon {

namespace {

bool isValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t extra = 0;
        if (c < 0x80) {
            extra = 0;
        } else if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
        } else {
            return false;
        }
        if (extra > text.size() - i - 1) {
            return false;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        // Overlong three-byte forms, UTF-16 surrogates and code points above U+10FFFF.
        const auto next = extra > 0 ? static_cast<unsigned char>(text[i + 1]) : 0;
        if ((c == 0xE0 && next < 0xA0) || (c == 0xED && next > 0x9F) ||
            (c == 0xF0 && next < 0x90) || (c == 0xF4 && next > 0x8F)) {
            return false;
        }
        i += extra + 1;
    }
    return true;
}

}  // namespace

std::string ToUtf8(std::string_view text) {
    if (isValidUtf8(text)) {
        return std::string(text);
    }
    std::string out;
    out.reserve(text.size() * 2);
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out.push_back(ch);
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

nlohmann::ordered_json DevInfoToJson(const DevInfo& d) {
    return nlohmann::ordered_json{
        {"name", ToUtf8(d.name)},
        {"wifiSupport", d.wifiSupport},
        {"ip", ToUtf8(d.ip)},
        {"gateway", ToUtf8(d.gateway)},
        {"subnetMask", ToUtf8(d.subnetMask)},
        {"mac", ToUtf8(d.mac)},
        {"swVersion", ToUtf8(d.swVersion)},
        {"videoCount", d.videoCount},
        {"audioCount", d.audioCount},
        {"alarmInCount", d.alarmInCount},
        {"alarmOutCount", d.alarmOutCount},
        {"audioTalk", d.audioTalk},
        {"storage", d.storage},
        {"capabilityBits", d.capabilityBits},
        {"webPort", d.webPort},
        {"videoPort", d.videoPort},
        {"phonePort", d.phonePort},
        {"deviceId", ToUtf8(d.deviceId)},
        {"dhcpOn", d.dhcpOn},
        {"wirelessOn", d.wirelessOn},
        {"netStateValid", d.netStateValid},
        {"dhcpText", d.dhcpText},
        {"wirelessText", d.wirelessText},
    };
}

nlohmann::ordered_json DevInfosToJson(const std::vector<DevInfo>& devices) {
    auto array = nlohmann::ordered_json::array();
    for (const auto& d : devices) {
        array.push_back(DevInfoToJson(d));
    }
    return array;
}

}  // namespace quillon

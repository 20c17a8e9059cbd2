#include "WifiState.h"

#include <algorithm>

#include "net/AddressText.h"
#include "net/ByteReader.h"
#include "net/FieldScrambling.h"
#include "net/FrameHeader.h"
#include "net/WifiNetworkRecord.h"

namespace quillon::devsim {

namespace {

const std::string& orDefault(const std::string& configured, const std::string& fallback) {
    return configured.empty() ? fallback : configured;
}

std::vector<std::uint8_t> resultWord(std::uint16_t command, std::uint32_t result) {
    std::array<std::uint8_t, 4> word{};
    PutU32(word, 0, result);
    return frameReply(command, word);
}

WifiNetworkRecord recordOf(const NetworkProfile& n) {
    WifiNetworkRecord r;
    std::copy_n(n.ssid.begin(), std::min(n.ssid.size(), WIFI_SSID_SIZE), r.ssidField().begin());
    // The list never carries keys: a device does not hand them out.
    r.setAuthMode(n.authMode);
    r.setWepKeyIndex(n.wepKeyIndex);
    r.setSignal(n.signal);
    r.setConnected(n.connected);
    r.setKeyFormat(n.keyFormat);
    return r;
}

}  // namespace

std::uint8_t fillerByte(std::size_t i) {
    return static_cast<std::uint8_t>(i * 7 + 3);
}

std::vector<std::uint8_t> frameReply(std::uint16_t command, std::span<const std::uint8_t> payload) {
    const auto header =
        FrameHeader{.length = static_cast<std::uint32_t>(payload.size()), .command = command}
            .Encode();
    // Sized once and copied into: growing a vector built from the header
    // trips GCC 12's false -Warray-bounds in optimised builds.
    std::vector<std::uint8_t> reply(header.size() + payload.size());
    std::copy(header.begin(), header.end(), reply.begin());
    std::copy(payload.begin(), payload.end(),
              reply.begin() + static_cast<std::ptrdiff_t>(header.size()));
    return reply;
}

WifiState::WifiState(const DeviceProfile& device)
    : m_networks(device.wifi.networks),
      m_auxSize(device.wifi.auxSize),
      m_setResult(device.wifi.setResult) {
    const WifiProfile& w = device.wifi;
    auto bytes = m_settings.bytes();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = fillerByte(i);
    }
    m_settings.setWifiEnabled(w.enabled);
    m_settings.setDhcpEnabled(w.dhcp);
    TextToBytes(m_settings.ip(), 4, orDefault(w.ip, device.ip));
    TextToBytes(m_settings.subnetMask(), 4, orDefault(w.subnetMask, device.subnetMask));
    TextToBytes(m_settings.gateway(), 4, orDefault(w.gateway, device.gateway));
    TextToBytes(m_settings.mac(), 6, orDefault(w.mac, device.mac));
    TextToBytes(m_settings.dnsPrimary(), 4, w.dnsPrimary);
    TextToBytes(m_settings.dnsSecondary(), 4, w.dnsSecondary);
    m_settings.setFlags(w.flags);
}

std::vector<std::uint8_t> WifiState::answer(std::uint16_t command,
                                            std::span<const std::uint8_t> payload) {
    switch (command) {
        case CMD_WIFI_GET_SETTINGS:
            return frameReply(command, m_settings.bytes());
        case CMD_GET_AUX_BLOCK: {
            std::vector<std::uint8_t> aux(m_auxSize);
            for (std::size_t i = 0; i < aux.size(); ++i) {
                aux[i] = static_cast<std::uint8_t>(i);
            }
            return frameReply(command, aux);
        }
        case CMD_WIFI_SET_SETTINGS:
            if (payload.size() != WIFI_SETTINGS_SIZE) {
                return resultWord(command, SET_REFUSED);
            }
            m_settings.assignLeading(payload);
            return resultWord(command, m_setResult);
        case CMD_WIFI_LIST_NETWORKS: {
            std::vector<std::uint8_t> list;
            list.reserve(m_networks.size() * WIFI_NETWORK_RECORD_SIZE);
            for (const NetworkProfile& n : m_networks) {
                const auto r = recordOf(n);
                list.insert(list.end(), r.bytes().begin(), r.bytes().end());
            }
            return frameReply(command, list);
        }
        case CMD_WIFI_JOIN:
            return joinResult(payload);
        default:
            return {};
    }
}

std::vector<std::uint8_t> WifiState::joinResult(std::span<const std::uint8_t> payload) {
    if (payload.size() != WIFI_NETWORK_RECORD_SIZE) {
        return resultWord(CMD_WIFI_JOIN, JOIN_REFUSED);
    }
    WifiNetworkRecord::Bytes bytes{};
    std::copy(payload.begin(), payload.end(), bytes.begin());
    WifiNetworkRecord record(bytes);
    UnscrambleField(record.keyField());
    const std::string ssid = record.ssid();
    const std::string key = record.key();
    const auto network = std::find_if(m_networks.begin(), m_networks.end(),
                                      [&](const NetworkProfile& n) { return n.ssid == ssid; });
    if (network == m_networks.end() || network->key != key) {
        return resultWord(CMD_WIFI_JOIN, JOIN_REFUSED);
    }
    for (NetworkProfile& n : m_networks) {
        n.connected = 0;
    }
    network->connected = 1;
    return resultWord(CMD_WIFI_JOIN, 0);
}

}  // namespace quillon::devsim

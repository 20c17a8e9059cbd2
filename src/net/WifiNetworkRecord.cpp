#include "net/WifiNetworkRecord.h"

#include <algorithm>

#include "net/ByteReader.h"

namespace quillon {

std::string WifiNetworkRecord::ssid() const {
    return ByteReader(m_bytes).text(wifinet::SSID, WIFI_SSID_SIZE);
}

std::string WifiNetworkRecord::key() const {
    return ByteReader(m_bytes).text(wifinet::KEY, WIFI_KEY_SIZE);
}

std::vector<WifiNetworkRecord> ParseNetworkList(std::span<const std::uint8_t> reply) {
    const std::size_t count = std::min(reply.size() / WIFI_NETWORK_RECORD_SIZE, MAX_NETWORKS);
    std::vector<WifiNetworkRecord> records(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto slot = reply.subspan(i * WIFI_NETWORK_RECORD_SIZE, WIFI_NETWORK_RECORD_SIZE);
        std::copy(slot.begin(), slot.end(), records[i].bytes().begin());
    }
    return records;
}

}  // namespace quillon

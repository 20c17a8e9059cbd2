#include "net/WifiSettingsBlock.h"

#include <algorithm>

#include "net/ByteReader.h"

namespace quillon {

WifiSettingsBlock g_wifiSettings;

std::uint32_t WifiSettingsBlock::flags() const {
    return ByteReader(m_bytes).u32(wifi::FLAGS);
}

void WifiSettingsBlock::setFlags(std::uint32_t value) {
    PutU32(m_bytes, wifi::FLAGS, value);
}

std::size_t WifiSettingsBlock::assignLeading(std::span<const std::uint8_t> reply) {
    const std::size_t taken = std::min(reply.size(), m_bytes.size());
    std::copy_n(reply.begin(), taken, m_bytes.begin());
    return taken;
}

}  // namespace quillon

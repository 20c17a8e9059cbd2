#pragma once

// Builds a device record the way a device lays it out on the wire, field by
// field at its offset, so a test names each byte it cares about.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "net/DeviceRecord.h"
#include "net/FrameHeader.h"

namespace quillon::test {

class RecordBuilder {
public:
    RecordBuilder() { magic(FRAME_MAGIC); }

    RecordBuilder& magic(std::uint32_t value) {
        for (std::size_t i = 0; i < 4; ++i) {
            m_bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
        return *this;
    }
    // Copies at most width bytes and adds no terminator of its own: a value
    // as long as the field fills it with no NUL, as a careless device would.
    RecordBuilder& text(std::size_t offset, std::size_t width, std::string_view value) {
        std::fill_n(m_bytes.begin() + offset, width, 0);
        std::copy_n(value.begin(), std::min(value.size(), width), m_bytes.begin() + offset);
        return *this;
    }
    RecordBuilder& u8(std::size_t offset, std::uint8_t value) {
        m_bytes[offset] = value;
        return *this;
    }
    RecordBuilder& u16(std::size_t offset, std::uint16_t value) {
        m_bytes[offset] = static_cast<std::uint8_t>(value);
        m_bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
        return *this;
    }
    RecordBuilder& name(std::string_view value) {
        return text(record::NAME, record::NAME_WIDTH, value);
    }
    RecordBuilder& mac(std::string_view value) {
        return text(record::MAC, record::ADDRESS_WIDTH, value);
    }

    const std::array<std::uint8_t, DEVICE_RECORD_SIZE>& bytes() const { return m_bytes; }

    // The record appended to a datagram under construction.
    void appendTo(std::vector<std::uint8_t>& datagram) const {
        datagram.insert(datagram.end(), m_bytes.begin(), m_bytes.end());
    }

private:
    std::array<std::uint8_t, DEVICE_RECORD_SIZE> m_bytes{};
};

// A device ID field after a record: at most 16 bytes, NUL-padded.
inline void appendDeviceId(std::vector<std::uint8_t>& datagram, std::string_view id) {
    std::array<std::uint8_t, DEVICE_ID_SIZE> field{};
    std::copy_n(id.begin(), std::min(id.size(), field.size()), field.begin());
    datagram.insert(datagram.end(), field.begin(), field.end());
}

}  // namespace quillon::test

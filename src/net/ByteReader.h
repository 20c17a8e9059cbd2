#pragma once

// The one way bytes from the network are read: every access is checked
// against the end of the data, integers are little-endian, and texts stop at
// the first NUL or at the end of their field, whichever comes first.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace quillon {

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> data) : m_data(data) {}

    std::size_t size() const { return m_data.size(); }
    bool has(std::size_t offset, std::size_t count) const {
        return offset <= m_data.size() && count <= m_data.size() - offset;
    }

    // Bytes beyond the end read as 0, matching a zero-filled receive buffer.
    std::uint8_t u8(std::size_t offset) const {
        return offset < m_data.size() ? m_data[offset] : 0;
    }
    std::int8_t s8(std::size_t offset) const { return static_cast<std::int8_t>(u8(offset)); }
    std::uint16_t u16(std::size_t offset) const {
        return static_cast<std::uint16_t>(u8(offset) | (u8(offset + 1) << 8));
    }
    std::uint32_t u32(std::size_t offset) const {
        return static_cast<std::uint32_t>(u8(offset)) |
               (static_cast<std::uint32_t>(u8(offset + 1)) << 8) |
               (static_cast<std::uint32_t>(u8(offset + 2)) << 16) |
               (static_cast<std::uint32_t>(u8(offset + 3)) << 24);
    }

    // The text of a fixed-width field: up to the first NUL, never more than
    // width bytes, never past the end of the data.
    std::string text(std::size_t offset, std::size_t width) const {
        if (offset >= m_data.size()) {
            return {};
        }
        const std::size_t available = std::min(width, m_data.size() - offset);
        std::size_t length = 0;
        while (length < available && m_data[offset + length] != 0) {
            ++length;
        }
        return std::string(reinterpret_cast<const char*>(m_data.data() + offset), length);
    }

private:
    std::span<const std::uint8_t> m_data;
};

// Little-endian writers for building messages into fixed buffers.
inline void PutU16(std::span<std::uint8_t> out, std::size_t offset, std::uint16_t v) {
    out[offset] = static_cast<std::uint8_t>(v);
    out[offset + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void PutU32(std::span<std::uint8_t> out, std::size_t offset, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) {
        out[offset + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

}  // namespace quillon

#include "net/FrameHeader.h"

#include "net/ByteReader.h"

namespace quillon {

std::array<std::uint8_t, FRAME_HEADER_SIZE> FrameHeader::Encode() const {
    std::array<std::uint8_t, FRAME_HEADER_SIZE> out{};
    PutU32(out, 0, magic);
    PutU32(out, 4, length);
    out[8] = subCommand;
    out[9] = reserved;
    PutU16(out, 10, command);
    return out;
}

std::optional<FrameHeader> FrameHeader::Decode(std::span<const std::uint8_t> bytes) {
    const ByteReader in(bytes);
    if (!in.has(0, FRAME_HEADER_SIZE)) {
        return std::nullopt;
    }
    FrameHeader h;
    h.magic = in.u32(0);
    h.length = in.u32(4);
    h.subCommand = in.u8(8);
    h.reserved = in.u8(9);
    h.command = in.u16(10);
    return h;
}

bool StartsWithMagic(std::span<const std::uint8_t> bytes) {
    const ByteReader in(bytes);
    return in.has(0, 4) && in.u32(0) == FRAME_MAGIC;
}

std::array<std::uint8_t, FRAME_HEADER_SIZE> BasicSearchProbe() {
    return FrameHeader{.command = CMD_NETWORK}.Encode();
}

std::array<std::uint8_t, FRAME_HEADER_SIZE> ExtendedSearchProbe() {
    return FrameHeader{.command = CMD_SEARCH}.Encode();
}

}  // namespace quillon

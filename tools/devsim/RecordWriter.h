#pragma once

// The bytes a simulated device sends: its 240-byte record and the 16-byte
// device ID that follows it in an extended reply.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "DeviceProfile.h"
#include "net/DeviceRecord.h"

namespace quillon::devsim {

using Record = std::array<std::uint8_t, DEVICE_RECORD_SIZE>;

// On the wire 55 55 AA AB: one bit off the real magic, so only a reader that
// checks all four bytes skips it.
inline constexpr std::uint32_t WRONG_MAGIC = 0xABAA5555;

// The header length of every record: the bytes after its 12-byte header.
inline constexpr std::uint32_t RECORD_PAYLOAD_LENGTH = DEVICE_RECORD_SIZE - 12;

struct RecordStyle {
    // Texts fill their whole field with no NUL: a text shorter than its field
    // is padded with its own last character, an empty one with 'X'.
    bool unterminated = false;
    // The MAC text with its letters in the other case.
    bool flipMacCase = false;
    bool wrongMagic = false;
};

// Writes text into out[offset, offset + width): NUL-terminated and cut to
// width - 1 characters, or filling the field as RecordStyle::unterminated
// says. Every byte of the field is written.
void putText(std::span<std::uint8_t> out, std::size_t offset, std::size_t width,
             std::string_view text, bool unterminated);

// The record of the device, its header carrying the probe's command.
// Bytes 12..15, 80..111 and 159 are zero.
Record buildRecord(const DeviceProfile& device, std::uint16_t command, const RecordStyle& style);

// The reply to the extended search: the record followed by the 16-byte device
// ID, or the bare record when withDeviceId is false.
std::vector<std::uint8_t> buildExtendedReply(const DeviceProfile& device, std::uint16_t command,
                                             const RecordStyle& style, bool withDeviceId);

}  // namespace quillon::devsim

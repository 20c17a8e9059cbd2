#include "RecordWriter.h"

#include <algorithm>

#include "net/ByteReader.h"
#include "net/FrameHeader.h"

namespace quillon::devsim {

void putText(std::span<std::uint8_t> out, std::size_t offset, std::size_t width,
             std::string_view text, bool unterminated) {
    const auto field = out.subspan(offset, width);
    std::fill(field.begin(), field.end(), std::uint8_t{0});
    if (width == 0) {
        return;
    }
    const std::size_t copied = std::min(text.size(), unterminated ? width : width - 1);
    std::copy_n(text.begin(), copied, field.begin());
    if (unterminated) {
        const char pad = text.empty() ? 'X' : text.back();
        std::fill(field.begin() + static_cast<std::ptrdiff_t>(copied), field.end(),
                  static_cast<std::uint8_t>(pad));
    }
}

namespace {

// ASCII only: a MAC text is hex digits and separators, and a byte above 7F
// must come back unchanged whatever the locale says.
std::uint8_t flipCase(std::uint8_t c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
        return static_cast<std::uint8_t>(c ^ 0x20);
    }
    return c;
}

}  // namespace

Record buildRecord(const DeviceProfile& device, std::uint16_t command, const RecordStyle& style) {
    Record out{};
    const FrameHeader header{.magic = style.wrongMagic ? WRONG_MAGIC : FRAME_MAGIC,
                             .length = RECORD_PAYLOAD_LENGTH,
                             .command = command};
    const auto head = header.Encode();
    std::copy(head.begin(), head.end(), out.begin());

    const bool fill = style.unterminated;
    putText(out, record::NAME, record::NAME_WIDTH, device.name, fill);
    putText(out, record::SW_VERSION, record::SW_VERSION_WIDTH, device.swVersion, fill);

    out[record::VIDEO_COUNT] = device.videoCount;
    out[record::AUDIO_COUNT] = device.audioCount;
    out[record::ALARM_IN_COUNT] = device.alarmInCount;
    out[record::ALARM_OUT_COUNT] = device.alarmOutCount;
    out[record::AUDIO_TALK] = device.audioTalk;
    out[record::STORAGE] = device.storage;
    out[record::WIFI_SUPPORT] = device.wifiSupport;
    out[record::CAPABILITY_BITS] = device.capabilityBits;
    PutU16(out, record::WEB_PORT, device.webPort);
    PutU16(out, record::VIDEO_PORT, device.videoPort);
    PutU16(out, record::PHONE_PORT, device.phonePort);
    out[record::NET_STATE] = device.netState;

    putText(out, record::IP, record::ADDRESS_WIDTH, device.ip, fill);
    putText(out, record::GATEWAY, record::ADDRESS_WIDTH, device.gateway, fill);
    putText(out, record::SUBNET_MASK, record::ADDRESS_WIDTH, device.subnetMask, fill);
    // The MAC is padded before its case is flipped, so the two answers of
    // mode mac-case differ only in letter case, padding included.
    putText(out, record::MAC, record::ADDRESS_WIDTH, device.mac, fill);
    if (style.flipMacCase) {
        const auto field = std::span(out).subspan(record::MAC, record::ADDRESS_WIDTH);
        std::transform(field.begin(), field.end(), field.begin(), flipCase);
    }
    return out;
}

std::vector<std::uint8_t> buildExtendedReply(const DeviceProfile& device, std::uint16_t command,
                                             const RecordStyle& style, bool withDeviceId) {
    const Record head = buildRecord(device, command, style);
    std::vector<std::uint8_t> reply(head.begin(), head.end());
    if (withDeviceId) {
        reply.resize(EXTENDED_REPLY_SIZE);
        putText(reply, DEVICE_RECORD_SIZE, DEVICE_ID_SIZE, device.deviceId, style.unterminated);
    }
    return reply;
}

}  // namespace quillon::devsim

#include "discovery/DevInfo.h"

#include "net/ByteReader.h"
#include "net/DeviceRecord.h"

namespace quillon {

DevInfo DevInfoFromRecord(std::span<const std::uint8_t> datagram, std::size_t slotOffset,
                          SearchKind kind) {
    namespace r = record;
    const ByteReader in(datagram);
    const auto text = [&](std::size_t offset, std::size_t width) {
        return in.text(slotOffset + offset, width);
    };
    const auto signedByte = [&](std::size_t offset) {
        return std::to_string(in.s8(slotOffset + offset));
    };
    const auto port = [&](std::size_t offset) {
        return std::to_string(in.u16(slotOffset + offset));
    };

    DevInfo d;
    d.name = text(r::NAME, r::NAME_WIDTH);
    d.wifiSupport = in.s8(slotOffset + r::WIFI_SUPPORT);
    d.ip = text(r::IP, r::ADDRESS_WIDTH);
    d.gateway = text(r::GATEWAY, r::ADDRESS_WIDTH);
    d.subnetMask = text(r::SUBNET_MASK, r::ADDRESS_WIDTH);
    d.mac = text(r::MAC, r::ADDRESS_WIDTH);
    d.swVersion = text(r::SW_VERSION, r::SW_VERSION_WIDTH);
    d.videoCount = signedByte(r::VIDEO_COUNT);
    d.audioCount = signedByte(r::AUDIO_COUNT);
    d.alarmInCount = signedByte(r::ALARM_IN_COUNT);
    d.alarmOutCount = signedByte(r::ALARM_OUT_COUNT);
    d.audioTalk = signedByte(r::AUDIO_TALK);
    d.storage = signedByte(r::STORAGE);
    d.capabilityBits = signedByte(r::CAPABILITY_BITS);
    d.webPort = port(r::WEB_PORT);
    d.videoPort = port(r::VIDEO_PORT);
    d.phonePort = port(r::PHONE_PORT);
    if (kind == SearchKind::Extended) {
        d.deviceId = in.text(slotOffset + DEVICE_RECORD_SIZE, DEVICE_ID_SIZE);
    }

    const std::uint8_t caps = in.u8(slotOffset + r::CAPABILITY_BITS);
    d.netStateValid = (caps & r::CAP_NET_STATE_VALID) != 0;
    if (d.netStateValid) {
        const std::uint8_t state = in.u8(slotOffset + r::NET_STATE);
        d.dhcpOn = (state & r::STATE_DHCP_ON) != 0;
        d.wirelessOn = (state & r::STATE_WIRELESS_ON) != 0;
        // One character, filled rather than assigned from a literal: GCC 12
        // at -O2 sees a bogus overlap in the latter and -Werror stops the
        // Release build.
        d.dhcpText.assign(1, d.dhcpOn ? 'Y' : 'N');
        d.wirelessText.assign(1, d.wirelessOn ? 'Y' : 'N');
    } else {
        d.dhcpText = "--";
        d.wirelessText = "--";
    }
    return d;
}

}  // namespace quillon

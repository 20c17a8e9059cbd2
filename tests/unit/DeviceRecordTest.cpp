#include "net/DeviceRecord.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "RecordBuilder.h"
#include "discovery/DevInfo.h"

namespace quillon {
namespace {

using test::appendDeviceId;
using test::RecordBuilder;

std::vector<std::size_t> slotOffsets(const std::vector<std::uint8_t>& datagram) {
    std::vector<std::size_t> offsets;
    const std::size_t reported =
        ForEachRecordSlot(datagram, [&](std::size_t offset) { offsets.push_back(offset); });
    EXPECT_EQ(reported, offsets.size());
    return offsets;
}

// A datagram of n bytes cut from back-to-back records that all carry the magic.
std::vector<std::uint8_t> recordsCutTo(std::size_t n) {
    std::vector<std::uint8_t> datagram;
    while (datagram.size() < n) {
        RecordBuilder().appendTo(datagram);
    }
    datagram.resize(n);
    return datagram;
}

TEST(RecordSlots, OnlyWholeRecordsCount) {
    struct Case {
        std::size_t size;
        std::size_t slots;
    };
    const Case cases[] = {{0, 0},   {4, 0},   {12, 0},    {239, 0},   {240, 1},   {256, 1},
                          {479, 1}, {480, 2}, {8160, 34}, {8192, 34}, {8399, 34}, {8400, 35}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        const auto offsets = slotOffsets(recordsCutTo(c.size));
        ASSERT_EQ(offsets.size(), c.slots);
        for (std::size_t k = 0; k < offsets.size(); ++k) {
            EXPECT_EQ(offsets[k], k * DEVICE_RECORD_SIZE);
        }
    }
}

TEST(RecordSlots, ASlotWithAnotherFirstWordIsSkipped) {
    std::vector<std::uint8_t> datagram;
    RecordBuilder().appendTo(datagram);
    RecordBuilder().magic(0xABAA5555).appendTo(datagram);  // begins 55 55 AA AB
    EXPECT_EQ(slotOffsets(datagram), (std::vector<std::size_t>{0}));

    datagram.clear();
    RecordBuilder().magic(0).appendTo(datagram);
    RecordBuilder().appendTo(datagram);
    RecordBuilder().magic(0x5555AAAA).appendTo(datagram);
    RecordBuilder().appendTo(datagram);
    EXPECT_EQ(slotOffsets(datagram), (std::vector<std::size_t>{240, 720}));

    // A remainder that begins with the magic is still not a record.
    datagram = recordsCutTo(240);
    datagram.insert(datagram.end(), {0x55, 0x55, 0xAA, 0xAA, 0, 0, 0, 0, 0, 0, 0x01, 0x90});
    EXPECT_EQ(slotOffsets(datagram), (std::vector<std::size_t>{0}));

    // Probes and set-address messages that come back to the port never form a slot.
    EXPECT_TRUE(slotOffsets(recordsCutTo(12)).empty());
    EXPECT_TRUE(slotOffsets(recordsCutTo(92)).empty());
}

RecordBuilder knownCamera() {
    namespace r = record;
    return RecordBuilder()
        .name("Front door")
        .text(80, 32, "not interpreted")
        .text(r::SW_VERSION, r::SW_VERSION_WIDTH, "V4.2.1 build 180412")
        .u8(r::VIDEO_COUNT, 4)
        .u8(r::AUDIO_COUNT, 1)
        .u8(r::ALARM_IN_COUNT, 2)
        .u8(r::ALARM_OUT_COUNT, 1)
        .u8(r::AUDIO_TALK, 1)
        .u8(r::STORAGE, 0)
        .u8(r::WIFI_SUPPORT, 1)
        .u8(r::CAPABILITY_BITS, 0x22)
        .u16(r::WEB_PORT, 80)
        .u16(r::VIDEO_PORT, 5000)
        .u16(r::PHONE_PORT, 6000)
        .u8(r::NET_STATE, 0x01)
        .u8(159, 0xFF)
        .text(r::IP, r::ADDRESS_WIDTH, "192.168.1.64")
        .text(r::GATEWAY, r::ADDRESS_WIDTH, "192.168.1.1")
        .text(r::SUBNET_MASK, r::ADDRESS_WIDTH, "255.255.255.0")
        .mac("00:1A:2B:3C:4D:5E");
}

TEST(DevInfoFromRecord, FillsEveryFieldOfAKnownRecord) {
    std::vector<std::uint8_t> datagram;
    knownCamera().appendTo(datagram);
    appendDeviceId(datagram, "NVR-0042");

    DevInfo expected;
    expected.name = "Front door";
    expected.wifiSupport = 1;
    expected.ip = "192.168.1.64";
    expected.gateway = "192.168.1.1";
    expected.subnetMask = "255.255.255.0";
    expected.mac = "00:1A:2B:3C:4D:5E";
    expected.swVersion = "V4.2.1 build 180412";
    expected.videoCount = "4";
    expected.audioCount = "1";
    expected.alarmInCount = "2";
    expected.alarmOutCount = "1";
    expected.audioTalk = "1";
    expected.storage = "0";
    expected.capabilityBits = "34";
    expected.webPort = "80";
    expected.videoPort = "5000";
    expected.phonePort = "6000";
    expected.dhcpOn = true;
    expected.wirelessOn = false;
    expected.netStateValid = true;
    expected.dhcpText = "Y";
    expected.wirelessText = "N";
    EXPECT_EQ(DevInfoFromRecord(datagram, 0, SearchKind::Basic), expected);

    expected.deviceId = "NVR-0042";
    EXPECT_EQ(DevInfoFromRecord(datagram, 0, SearchKind::Extended), expected);
}

TEST(DevInfoFromRecord, SingleBytesAreSigned) {
    namespace r = record;
    const std::pair<std::uint8_t, const char*> values[] = {
        {0x00, "0"}, {0x01, "1"}, {0x7F, "127"}, {0x80, "-128"}, {0xFF, "-1"}};
    for (const auto& [byte, text] : values) {
        SCOPED_TRACE(text);
        const auto record = RecordBuilder()
                                .u8(r::VIDEO_COUNT, byte)
                                .u8(r::AUDIO_COUNT, byte)
                                .u8(r::ALARM_IN_COUNT, byte)
                                .u8(r::ALARM_OUT_COUNT, byte)
                                .u8(r::AUDIO_TALK, byte)
                                .u8(r::STORAGE, byte)
                                .u8(r::WIFI_SUPPORT, byte)
                                .u8(r::CAPABILITY_BITS, byte)
                                .bytes();
        const auto d = DevInfoFromRecord(record, 0, SearchKind::Basic);
        for (const auto* field : {&d.videoCount, &d.audioCount, &d.alarmInCount, &d.alarmOutCount,
                                  &d.audioTalk, &d.storage, &d.capabilityBits}) {
            EXPECT_EQ(*field, text);
        }
        EXPECT_EQ(d.wifiSupport, static_cast<std::int8_t>(byte));
    }
}

TEST(DevInfoFromRecord, PortsAreUnsignedLittleEndian) {
    const std::pair<std::array<std::uint8_t, 2>, const char*> ports[] = {
        {{0x50, 0x00}, "80"}, {{0x90, 0x1F}, "8080"}, {{0xFF, 0xFF}, "65535"}, {{0, 0}, "0"}};
    for (const auto& [bytes, text] : ports) {
        RecordBuilder builder;
        for (const std::size_t at : {record::WEB_PORT, record::VIDEO_PORT, record::PHONE_PORT}) {
            builder.u8(at, bytes[0]).u8(at + 1, bytes[1]);
        }
        const auto d = DevInfoFromRecord(builder.bytes(), 0, SearchKind::Basic);
        EXPECT_EQ(d.webPort, text);
        EXPECT_EQ(d.videoPort, text);
        EXPECT_EQ(d.phonePort, text);
    }
}

TEST(DevInfoFromRecord, NetworkStateCountsOnlyWhenTheCapabilityBitSaysSo) {
    struct Case {
        std::uint8_t caps, state;
        bool valid, dhcp, wireless;
        const char* dhcpText;
        const char* wirelessText;
    };
    const Case cases[] = {
        {0x20, 0x00, true, false, false, "N", "N"},
        {0x20, 0x01, true, true, false, "Y", "N"},
        {0x20, 0x02, true, false, true, "N", "Y"},
        {0x20, 0x03, true, true, true, "Y", "Y"},
        {0x22, 0xFC, true, false, false, "N", "N"},  // other state bits mean nothing
        {0x00, 0x03, false, false, false, "--", "--"},
        {0xDF, 0xFF, false, false, false, "--", "--"},  // every bit but bit 5
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "caps " << int{c.caps} << " state " << int{c.state});
        const auto record =
            RecordBuilder().u8(record::CAPABILITY_BITS, c.caps).u8(record::NET_STATE, c.state);
        const auto d = DevInfoFromRecord(record.bytes(), 0, SearchKind::Basic);
        EXPECT_EQ(d.netStateValid, c.valid);
        EXPECT_EQ(d.dhcpOn, c.dhcp);
        EXPECT_EQ(d.wirelessOn, c.wireless);
        EXPECT_EQ(d.dhcpText, c.dhcpText);
        EXPECT_EQ(d.wirelessText, c.wirelessText);
    }
}

TEST(DevInfoFromRecord, TextsStopAtTheirNulOrTheirFieldWidth) {
    namespace r = record;
    // Every text fills its field to the last byte, followed by more text:
    // each must end at its own width, and the MAC must not run into the ID.
    std::vector<std::uint8_t> datagram;
    RecordBuilder()
        .name(std::string(64, 'N'))
        .text(80, 32, std::string(32, 'x'))
        .text(r::SW_VERSION, r::SW_VERSION_WIDTH, std::string(32, 'V'))
        .u8(r::VIDEO_COUNT, '7')
        .text(r::IP, r::ADDRESS_WIDTH, std::string(20, 'I'))
        .text(r::GATEWAY, r::ADDRESS_WIDTH, std::string(20, 'G'))
        .text(r::SUBNET_MASK, r::ADDRESS_WIDTH, std::string(20, 'S'))
        .mac(std::string(20, 'M'))
        .appendTo(datagram);
    appendDeviceId(datagram, std::string(16, 'D'));

    const auto d = DevInfoFromRecord(datagram, 0, SearchKind::Extended);
    EXPECT_EQ(d.name, std::string(64, 'N'));
    EXPECT_EQ(d.swVersion, std::string(32, 'V'));
    EXPECT_EQ(d.ip, std::string(20, 'I'));
    EXPECT_EQ(d.gateway, std::string(20, 'G'));
    EXPECT_EQ(d.subnetMask, std::string(20, 'S'));
    EXPECT_EQ(d.mac, std::string(20, 'M'));
    EXPECT_EQ(d.deviceId, std::string(16, 'D'));

    // An embedded NUL ends a text; 8-bit characters are kept as they are.
    const auto named = RecordBuilder().name(std::string("Cam\0era", 7)).mac("\xC4\xD6:01");
    const auto e = DevInfoFromRecord(named.bytes(), 0, SearchKind::Basic);
    EXPECT_EQ(e.name, "Cam");
    EXPECT_EQ(e.mac, "\xC4\xD6:01");
}

TEST(DevInfoFromRecord, DeviceIdIsTheSixteenBytesAfterTheSlot) {
    struct Case {
        std::vector<std::uint8_t> datagram;
        const char* expected;
    };
    const auto reply = [](std::string_view tail) {
        std::vector<std::uint8_t> datagram;
        RecordBuilder().appendTo(datagram);
        datagram.insert(datagram.end(), tail.begin(), tail.end());
        return datagram;
    };
    const Case cases[] = {
        {reply("0123456789ABCDEF"), "0123456789ABCDEF"},
        {reply("0123456789ABCDEFGHIJ"), "0123456789ABCDEF"},
        {reply(""), ""},  // a bare record from a device that sends no ID
        {reply(std::string_view("ID5\0xyz", 7)), "ID5"},
        {reply("0123456789"), "0123456789"},  // bytes past the datagram read as NUL
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.datagram.size());
        EXPECT_EQ(DevInfoFromRecord(c.datagram, 0, SearchKind::Extended).deviceId, c.expected);
        EXPECT_EQ(DevInfoFromRecord(c.datagram, 0, SearchKind::Basic).deviceId, "");
    }
}

TEST(DevInfoFromRecord, EachSlotOfADatagramIsReadFromItsOwnOffset) {
    std::vector<std::uint8_t> datagram;
    RecordBuilder().name("first").mac("00:00:00:00:00:01").appendTo(datagram);
    RecordBuilder()
        .name("second")
        .mac("00:00:00:00:00:02")
        .u8(record::VIDEO_COUNT, 16)
        .appendTo(datagram);

    std::vector<DevInfo> entries;
    ForEachRecordSlot(datagram, [&](std::size_t offset) {
        entries.push_back(DevInfoFromRecord(datagram, offset, SearchKind::Extended));
    });
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "first");
    EXPECT_EQ(entries[1].name, "second");
    EXPECT_EQ(entries[0].videoCount, "0");
    EXPECT_EQ(entries[1].videoCount, "16");
    // The ID of a slot that another record follows is that record's first
    // bytes, up to their first NUL; the last slot's lies past the datagram.
    EXPECT_EQ(entries[0].deviceId, "\x55\x55\xAA\xAA");
    EXPECT_EQ(entries[1].deviceId, "");
}

}  // namespace
}  // namespace quillon

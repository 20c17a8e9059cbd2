#include "net/FrameHeader.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/NetAddressBlock.h"

namespace quillon {
namespace {

using Header = std::array<std::uint8_t, FRAME_HEADER_SIZE>;

std::vector<std::uint8_t> bytesOf(std::string_view text) {
    return {text.begin(), text.end()};
}

TEST(FrameHeader, EncodesLittleEndianAndDecodesBack) {
    const FrameHeader header{.magic = FRAME_MAGIC,
                             .length = 0x01020304,
                             .subCommand = 2,
                             .reserved = 0x7F,
                             .command = CMD_SEARCH};
    const Header wire{0x55, 0x55, 0xAA, 0xAA, 0x04, 0x03, 0x02, 0x01, 0x02, 0x7F, 0x50, 0x90};
    EXPECT_EQ(header.Encode(), wire);
    EXPECT_EQ(FrameHeader::Decode(wire), header);

    // Decoding takes the fields as they stand; judging them is the caller's business.
    const Header foreign{0xAA, 0xAA, 0x55, 0x55, 0xFF, 0xFF, 0xFF, 0xFF, 0x09, 0x01, 0x00, 0xA1};
    const auto decoded = FrameHeader::Decode(foreign);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->magic, 0x5555AAAAu);
    EXPECT_EQ(decoded->length, 0xFFFFFFFFu);
    EXPECT_EQ(decoded->subCommand, 9);
    EXPECT_EQ(decoded->reserved, 1);
    EXPECT_EQ(decoded->command, CMD_WIFI_SET_SETTINGS);
}

TEST(FrameHeader, DecodeNeedsTwelveBytesAndReadsNoMore) {
    const auto probe = BasicSearchProbe();
    std::vector<std::uint8_t> bytes(probe.begin(), probe.end());
    bytes.push_back(0xFF);
    for (std::size_t n = 0; n < FRAME_HEADER_SIZE; ++n) {
        EXPECT_FALSE(FrameHeader::Decode(std::span(bytes).first(n)).has_value()) << n;
    }
    EXPECT_EQ(FrameHeader::Decode(std::span(bytes).first(12)), FrameHeader{.command = CMD_NETWORK});
    EXPECT_EQ(FrameHeader::Decode(bytes), FrameHeader{.command = CMD_NETWORK});
}

TEST(FrameHeader, MagicIsTheFourBytes5555AAAA) {
    struct Case {
        std::vector<std::uint8_t> bytes;
        bool expected;
    };
    const Case cases[] = {
        {{0x55, 0x55, 0xAA, 0xAA}, true},
        {{0x55, 0x55, 0xAA, 0xAA, 0x00}, true},
        {{0x55, 0x55, 0xAA}, false},
        {{}, false},
        {{0x55, 0x55, 0xAA, 0xAB}, false},
        {{0xAA, 0xAA, 0x55, 0x55}, false},  // the big-endian image is not the magic
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StartsWithMagic(c.bytes), c.expected) << ::testing::PrintToString(c.bytes);
    }
}

TEST(SearchProbes, HaveTheExactWireImages) {
    EXPECT_EQ(BasicSearchProbe(),
              (Header{0x55, 0x55, 0xAA, 0xAA, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x90}));
    EXPECT_EQ(ExtendedSearchProbe(),
              (Header{0x55, 0x55, 0xAA, 0xAA, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x50, 0x90}));
}

TEST(SetAddressMessage, IsTheHeaderAndTheBlockAsItStands) {
    NetAddressBlock block;
    // The wired page overwrites the fields in place: an earlier, longer text
    // leaves its tail behind the new terminator, and that tail is sent too.
    ASSERT_TRUE(CopyToField(block.ip, "192.168.100.200"));
    ASSERT_TRUE(CopyToField(block.ip, "10.0.0.1"));
    ASSERT_TRUE(CopyToField(block.gateway, "10.0.0.254"));
    ASSERT_TRUE(CopyToField(block.subnetMask, "255.255.255.0"));
    ASSERT_TRUE(CopyToField(block.mac, "00:1A:2B:3C:4D:5E"));
    EXPECT_EQ(FieldText(block.ip), "10.0.0.1");

    const auto message = BuildSetAddressMessage(block);
    ASSERT_EQ(message.size(), 92u);
    const Header header{0x55, 0x55, 0xAA, 0xAA, 0x50, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x90};
    EXPECT_TRUE(std::equal(header.begin(), header.end(), message.begin()));

    auto expectedIp = bytesOf("10.0.0.1");
    expectedIp.push_back(0);
    for (const char c : std::string_view("00.200")) {
        expectedIp.push_back(static_cast<std::uint8_t>(c));
    }
    expectedIp.resize(20, 0);
    EXPECT_EQ(std::vector<std::uint8_t>(message.begin() + 12, message.begin() + 32), expectedIp);

    const auto field = [&](std::size_t index) {
        const auto* begin = message.data() + 12 + 20 * index;
        return std::string(reinterpret_cast<const char*>(begin));  // each is terminated
    };
    EXPECT_EQ(field(1), "10.0.0.254");
    EXPECT_EQ(field(2), "255.255.255.0");
    EXPECT_EQ(field(3), "00:1A:2B:3C:4D:5E");
    EXPECT_EQ(message[91], 0);
}

TEST(SetAddressMessage, FieldsTakeAtMostNineteenCharacters) {
    NetAddressBlock block;
    ASSERT_TRUE(CopyToField(block.mac, "short"));
    const std::string nineteen(19, '9');
    EXPECT_TRUE(CopyToField(block.ip, nineteen));
    EXPECT_EQ(FieldText(block.ip), nineteen);
    // A text that leaves no room for its NUL is refused and the field kept.
    EXPECT_FALSE(CopyToField(block.mac, std::string(20, 'x')));
    EXPECT_EQ(FieldText(block.mac), "short");
    EXPECT_EQ(block.mac[5], '\0');

    // A field with no terminator at all reads as its 20 bytes, no further.
    block.gateway.fill('g');
    EXPECT_EQ(FieldText(block.gateway), std::string(20, 'g'));
}

TEST(SetDhcpMessage, CarriesTheMacTextWithoutTerminator) {
    const auto message = BuildSetDhcpMessage("00:1A:2B:3C:4D:5E");
    std::vector<std::uint8_t> expected{0x55, 0x55, 0xAA, 0xAA, 0x11, 0x00,
                                       0x00, 0x00, 0x02, 0x00, 0x01, 0x90};
    const auto mac = bytesOf("00:1A:2B:3C:4D:5E");
    expected.insert(expected.end(), mac.begin(), mac.end());
    EXPECT_EQ(message, expected);

    // The length follows the text, whatever the device reported.
    const auto odd = BuildSetDhcpMessage("aa-bb");
    ASSERT_EQ(odd.size(), 17u);
    EXPECT_EQ(odd[4], 5);
    EXPECT_EQ(odd.back(), 'b');
    const auto empty = BuildSetDhcpMessage("");
    EXPECT_EQ(FrameHeader::Decode(empty),
              (FrameHeader{.subCommand = NET_SET_DHCP, .command = CMD_NETWORK}));
    EXPECT_EQ(empty.size(), 12u);
}

TEST(DhcpReply, ShortRepliesCountAsNoneAndOnlyTheResultIsRead) {
    struct Case {
        std::size_t size;
        std::optional<std::uint32_t> expected;
    };
    // Header bytes that are not a frame header at all: the reply's header is
    // not examined. Bytes 12..15 hold the result, bytes past 16 are ignored.
    std::vector<std::uint8_t> reply(20, 0xEE);
    reply[12] = 0x01;
    reply[13] = 0x02;
    reply[14] = 0x03;
    reply[15] = 0x04;
    const Case cases[] = {
        {0, std::nullopt}, {12, std::nullopt}, {15, std::nullopt},
        {16, 0x04030201u}, {20, 0x04030201u},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseDhcpReply(std::span(reply).first(c.size)), c.expected) << c.size;
    }

    std::vector<std::uint8_t> accepted(16, 0);
    EXPECT_EQ(ParseDhcpReply(accepted), 0u);
}

}  // namespace
}  // namespace quillon

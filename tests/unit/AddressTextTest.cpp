#include "net/AddressText.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {
namespace {

using Bytes4 = std::array<std::uint8_t, 4>;
using Bytes6 = std::array<std::uint8_t, 6>;

// A byte no conversion produces by accident in these tables, so a byte left
// untouched is told apart from one written as 0 or FF.
constexpr std::uint8_t UNTOUCHED = 0xEE;

TEST(ParseHex, ReadsDigitsPrefixAndWrapsAt32Bits) {
    struct Case {
        std::string_view text;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"", 0},
        {"0", 0},
        {"0x", 0},  // the prefix alone leaves nothing to read
        {"1a", 0x1a},
        {"1A", 0x1a},
        {"0x1a", 0x1a},
        {"0X1A", 0x1a},
        {"aBcDeF", 0xabcdef},
        {"0009", 9},
        {"7fffffff", 0x7fffffff},
        {"80000000", INT32_MIN},
        {"ffffffff", -1},
        {"123456789", 0x23456789},  // the ninth digit pushes the first one out
        {"100000001", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text));
        EXPECT_EQ(ParseHex(c.text), c.expected);
    }
}

TEST(ParseHex, AnyNonHexCharacterGivesMinusOne) {
    const std::string_view bad[] = {
        "G1",
        "1G",
        "x1",
        "0xx1",
        "00x1",
        " 1",
        "1 ",
        "-1",
        "+1",
        "0x-1",
        "1:2",
        "\xff",
        std::string_view("1\0"
                         "2",
                         3),  // an embedded NUL is not a digit either
    };
    for (const auto text : bad) {
        SCOPED_TRACE(std::string(text));
        EXPECT_EQ(ParseHex(text), -1);
    }
}

TEST(TextToBytes, Ipv4ReadsFourDecimalsAndKeepsTheLowBytes) {
    struct Case {
        std::string text;
        Bytes4 expected;
    };
    const std::string zeros23(23, '0');
    const Case cases[] = {
        {"192.168.1.254", {0xC0, 0xA8, 0x01, 0xFE}},
        {"0.0.0.0", {0, 0, 0, 0}},
        {"300.1.2.3", {0x2C, 0x01, 0x02, 0x03}},
        {"256.257.-256.65535", {0x00, 0x01, 0x00, 0xFF}},
        {"-1.-2.3.4", {0xFF, 0xFE, 0x03, 0x04}},
        {"10.1", {0x0A, 0x01, 0x00, 0x00}},
        {"", {0, 0, 0, 0}},
        {"garbage", {0, 0, 0, 0}},
        {"1.2.x.4", {0x01, 0x02, 0x00, 0x00}},
        {"1..2.3", {0x01, 0x00, 0x00, 0x00}},
        {"1 .2.3.4", {0x01, 0x00, 0x00, 0x00}},  // a blank may precede a number, not a dot
        {" 10. 20.\t30.+40", {0x0A, 0x14, 0x1E, 0x28}},
        {"+-1.2.3.4", {0, 0, 0, 0}},
        {"1.2.3.4.5", {0x01, 0x02, 0x03, 0x04}},
        {"1.2.3.4abc", {0x01, 0x02, 0x03, 0x04}},
        // Only the first 31 characters count: the last number is cut after
        // its first digit, or before it.
        {"1.2.3." + zeros23 + "45", {0x01, 0x02, 0x03, 45}},
        {"1.2.3." + zeros23 + "045", {0x01, 0x02, 0x03, 4}},
        {"1.2.3." + std::string(25, ' ') + "4", {0x01, 0x02, 0x03, 0x00}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Bytes4 out;
        out.fill(UNTOUCHED);
        TextToBytes(out, 4, c.text);
        EXPECT_EQ(out, c.expected);
    }
}

TEST(TextToBytes, MacReadsHexGroupsBetweenColons) {
    struct Case {
        std::string text;
        Bytes6 expected;
    };
    constexpr std::uint8_t U = UNTOUCHED;
    const Case cases[] = {
        {"00:1a:2B:3c:4D:5e", {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}},
        {"0x1a:G1", {0x1A, 0xFF, U, U, U, U}},
        {"::0A::", {0x0A, U, U, U, U, U}},
        {"", {U, U, U, U, U, U}},
        {":::", {U, U, U, U, U, U}},
        {"1:2:3:4:5:6:7:8", {1, 2, 3, 4, 5, 6}},
        {"100:1ff:0x0:-1", {0x00, 0xFF, 0x00, 0xFF, U, U}},
        {"123456789:0x:1", {0x89, 0x00, 0x01, U, U, U}},
        {"aa bb:cc", {0xFF, 0xCC, U, U, U, U}},
        {"00-1A-2B-3C-4D-5E", {0xFF, U, U, U, U, U}},
        // The 31st character ends the text, even inside a group.
        {std::string(29, '0') + ":123", {0x00, 0x01, U, U, U, U}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Bytes6 out;
        out.fill(UNTOUCHED);
        TextToBytes(out, 6, c.text);
        EXPECT_EQ(out, c.expected);
    }
}

TEST(TextToBytes, NeverWritesPastTheDestinationOrForAnOddCount) {
    // Guard bytes around a short destination show any stray write.
    for (const int count : {4, 6}) {
        SCOPED_TRACE(count);
        std::array<std::uint8_t, 12> storage;
        storage.fill(UNTOUCHED);
        TextToBytes(std::span(storage).subspan(4, 2), count, "11:22:33:44:55:66");
        TextToBytes(std::span(storage).subspan(4, 2), count, "17.34.51.68");
        for (std::size_t i = 0; i < storage.size(); ++i) {
            if (i != 4 && i != 5) {
                EXPECT_EQ(storage[i], UNTOUCHED) << "byte " << i;
            }
        }
        EXPECT_NE(storage[4], UNTOUCHED);
    }
    std::array<std::uint8_t, 8> untouched;
    untouched.fill(UNTOUCHED);
    for (const int count : {0, 5, -1, 8}) {
        auto out = untouched;
        TextToBytes(out, count, "1:2:3:4:5:6:7:8");
        TextToBytes(out, count, "1.2.3.4");
        EXPECT_EQ(out, untouched) << "count " << count;
    }
}

TEST(BytesToText, WritesDottedDecimalAndUpperCaseMac) {
    EXPECT_EQ(BytesToText(Bytes4{0xC0, 0xA8, 0x01, 0xFE}, 4), "192.168.1.254");
    EXPECT_EQ(BytesToText(Bytes4{0, 0, 0, 0}, 4), "0.0.0.0");
    EXPECT_EQ(BytesToText(Bytes4{0xFF, 0xFF, 0xFF, 0xFF}, 4), "255.255.255.255");
    EXPECT_EQ(BytesToText(Bytes6{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, 6), "00:1A:2B:3C:4D:5E");
    EXPECT_EQ(BytesToText(Bytes6{0xAB, 0xCD, 0xEF, 0x0A, 0x0B, 0xFF}, 6), "AB:CD:EF:0A:0B:FF");
    // Only count bytes are read, and never more than are given.
    const std::array<std::uint8_t, 8> eight{1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(BytesToText(eight, 4), "1.2.3.4");
    EXPECT_EQ(BytesToText(eight, 6), "01:02:03:04:05:06");
    EXPECT_EQ(BytesToText(std::span(eight).first(3), 4), "");
    EXPECT_EQ(BytesToText(std::span(eight).first(5), 6), "");
    EXPECT_EQ(BytesToText(eight, 5), "");
}

TEST(AddressText, EveryAddressSurvivesTheRoundTrip) {
    // The WiFi page writes what it read back; any address must come back as it went.
    std::mt19937 random(20240521);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int i = 0; i < 2000; ++i) {
        Bytes6 mac;
        for (auto& b : mac) {
            b = static_cast<std::uint8_t>(byte(random));
        }
        Bytes6 macBack{};
        TextToBytes(macBack, 6, BytesToText(mac, 6));
        ASSERT_EQ(macBack, mac) << BytesToText(mac, 6);

        Bytes4 ip{mac[0], mac[1], mac[2], mac[3]};
        Bytes4 ipBack{};
        TextToBytes(ipBack, 4, BytesToText(ip, 4));
        ASSERT_EQ(ipBack, ip) << BytesToText(ip, 4);
    }
}

}  // namespace
}  // namespace quillon

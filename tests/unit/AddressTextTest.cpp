#include "net/AddressText.h"

#include <gtest/gtest.h>

#include <array>

namespace quillon {
namespace {

TEST(AddressText, ParseHexBasics) {
    EXPECT_EQ(ParseHex("1a"), 0x1a);
    EXPECT_EQ(ParseHex("0x1A"), 0x1a);
    EXPECT_EQ(ParseHex("G1"), -1);
}

TEST(AddressText, MacRoundTrip) {
    std::array<std::uint8_t, 6> b{};
    TextToBytes(b, 6, "00:1a:2B:3c:4D:5e");
    EXPECT_EQ(BytesToText(b, 6), "00:1A:2B:3C:4D:5E");
}

}  // namespace
}  // namespace quillon

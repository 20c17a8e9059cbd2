// The simulator's side of set address and set DHCP: which device a command
// reaches, what changes in its later search replies, and each DHCP answer.

#include <gtest/gtest.h>

#include "DevsimConfig.h"
#include "ReplyPlanner.h"
#include "net/FrameHeader.h"
#include "net/NetAddressBlock.h"

namespace quillon::devsim {
namespace {

DevsimConfig twoDevices() {
    const auto loaded = parseConfig(R"({"devices": [
        {"mac": "AA:BB:CC:00:00:01", "ip": "10.0.0.1"},
        {"mac": "AA:BB:CC:00:00:02", "ip": "10.0.0.2", "dhcpResult": 7},
        {"mac": "AA:BB:CC:00:00:03", "dhcpAnswer": "short"},
        {"mac": "AA:BB:CC:00:00:04", "dhcpAnswer": "long"},
        {"mac": "AA:BB:CC:00:00:05", "dhcpAnswer": "silent"}]})",
                                    "test.json");
    EXPECT_TRUE(loaded.config) << loaded.error;
    return *loaded.config;
}

std::vector<std::uint8_t> setAddress(const std::string& mac, const std::string& ip) {
    NetAddressBlock block{};
    CopyToField(block.ip, ip);
    CopyToField(block.gateway, "10.9.9.1");
    CopyToField(block.subnetMask, "255.255.0.0");
    CopyToField(block.mac, mac);
    const auto message = BuildSetAddressMessage(block);
    return {message.begin(), message.end()};
}

TEST(DevsimSetAddress, MovesOnlyTheDeviceWithThatExactMac) {
    ReplyPlanner planner(twoDevices());
    EXPECT_TRUE(planner.respond(setAddress("AA:BB:CC:00:00:02", "10.9.9.9")).empty());
    EXPECT_TRUE(planner.respond(setAddress("aa:bb:cc:00:00:01", "10.9.9.8")).empty());
    const auto& devices = planner.config().devices;
    EXPECT_EQ(devices[0].ip, "10.0.0.1");  // other letter case: another MAC text
    EXPECT_EQ(devices[1].ip, "10.9.9.9");
    EXPECT_EQ(devices[1].gateway, "10.9.9.1");
    EXPECT_EQ(devices[1].subnetMask, "255.255.0.0");

    // A message cut short changes nothing.
    auto cut = setAddress("AA:BB:CC:00:00:01", "10.9.9.7");
    cut.resize(cut.size() - 1);
    planner.respond(cut);
    EXPECT_EQ(devices[0].ip, "10.0.0.1");
}

TEST(DevsimSetDhcp, AnswersAsEachDeviceIsConfigured) {
    ReplyPlanner planner(twoDevices());
    const auto answer = [&planner](const std::string& mac) {
        return planner.respond(BuildSetDhcpMessage(mac));
    };
    const auto accepted = answer("AA:BB:CC:00:00:01");
    ASSERT_EQ(accepted.size(), 1u);
    ASSERT_EQ(accepted[0].size(), DHCP_REPLY_SIZE);
    EXPECT_EQ(ParseDhcpReply(accepted[0]), 0u);
    EXPECT_EQ(planner.config().devices[0].netState & 0x01, 0x01);  // DHCP now on

    const auto refused = answer("AA:BB:CC:00:00:02");
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(ParseDhcpReply(refused[0]), 7u);
    EXPECT_EQ(planner.config().devices[1].netState & 0x01, 0);

    EXPECT_EQ(answer("AA:BB:CC:00:00:03").at(0).size(), 12u);
    EXPECT_EQ(answer("AA:BB:CC:00:00:04").at(0).size(), 20u);
    EXPECT_TRUE(answer("AA:BB:CC:00:00:05").empty());
    EXPECT_TRUE(answer("AA:BB:CC:00:00:09").empty());

    // An announced length beyond what arrived reads only what arrived.
    auto lying = BuildSetDhcpMessage("AA:BB:CC:00:00:01");
    lying[4] = 0xFF;
    lying[7] = 0xFF;
    EXPECT_EQ(planner.respond(lying).size(), 1u);
}

TEST(DevsimSetDhcp, BadConfigurationValuesAreNamed) {
    const auto bad = parseConfig(R"({"devices": [{"dhcpAnswer": "maybe"}]})", "f.json");
    EXPECT_FALSE(bad.config);
    EXPECT_NE(bad.error.find("dhcpAnswer"), std::string::npos) << bad.error;
    const auto big = parseConfig(R"({"devices": [{"dhcpResult": 4294967296}]})", "f.json");
    EXPECT_FALSE(big.config);
}

}  // namespace
}  // namespace quillon::devsim

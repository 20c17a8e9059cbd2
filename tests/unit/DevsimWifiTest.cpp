// The simulator's wireless side without sockets: what it answers to each TCP
// command, how the hostile modes shape a reply, and its "wifi" configuration.

#include <gtest/gtest.h>

#include <algorithm>

#include "DevsimConfig.h"
#include "TcpReplyPlan.h"
#include "WifiState.h"
#include "net/AddressText.h"
#include "net/ByteReader.h"
#include "net/FieldScrambling.h"
#include "net/FrameHeader.h"
#include "net/WifiJoinRecord.h"
#include "net/WifiNetworkRecord.h"

namespace quillon::devsim {
namespace {

using Bytes = std::vector<std::uint8_t>;

DeviceProfile wirelessDevice() {
    const auto loaded = parseConfig(R"({"devices": [{"ip": "10.77.1.20", "wifi": {
        "dhcp": 1, "flags": 5, "auxSize": 10, "setResult": -3,
        "networks": [{"ssid": "Home", "key": "hunter22", "authMode": 4},
                     {"ssid": "Open"}]}}]})",
                                    "cfg.json");
    EXPECT_TRUE(loaded.config.has_value()) << loaded.error;
    return loaded.config->devices.at(0);
}

std::uint32_t resultOf(const Bytes& reply) {
    EXPECT_EQ(reply.size(), 16u);
    return ByteReader(reply).u32(12);
}

Bytes joinRequest(const std::string& name, const std::string& key) {
    WifiNetworkRecord r;
    EXPECT_TRUE(BuildJoinRecord(r, {.name = name, .key = key, .authPosition = 3}));
    ScrambleField(r.keyField());
    return {r.bytes().begin(), r.bytes().end()};
}

TEST(DevsimWifi, AnswersEachCommandFromTheDevicesState) {
    WifiState state(wirelessDevice());
    const Bytes settings = state.answer(CMD_WIFI_GET_SETTINGS, {});
    ASSERT_EQ(settings.size(), 12 + WIFI_SETTINGS_SIZE);
    EXPECT_EQ(FrameHeader::Decode(settings)->length, WIFI_SETTINGS_SIZE);
    EXPECT_EQ(FrameHeader::Decode(settings)->command, CMD_WIFI_GET_SETTINGS);
    EXPECT_EQ(settings[12 + 537], 1);
    EXPECT_EQ(BytesToText(state.settings().ip(), 4), "10.77.1.20")
        << "the wired address by default";
    EXPECT_EQ(settings[12 + 0], fillerByte(0));
    EXPECT_EQ(state.answer(CMD_GET_AUX_BLOCK, {}).size(), 22u);

    const Bytes list = state.answer(CMD_WIFI_LIST_NETWORKS, {});
    ASSERT_EQ(list.size(), 12u + 144u);
    const auto records = ParseNetworkList(std::span(list).subspan(12));
    EXPECT_EQ(records[0].ssid(), "Home");
    EXPECT_EQ(records[0].key(), "") << "a device does not hand out keys";
    EXPECT_EQ(records[0].wepKeyIndex(), 0xFF);

    EXPECT_EQ(resultOf(state.answer(CMD_WIFI_JOIN, joinRequest("Home", "hunter2"))), JOIN_REFUSED);
    EXPECT_EQ(resultOf(state.answer(CMD_WIFI_JOIN, joinRequest("Nowhere", "x"))), JOIN_REFUSED);
    EXPECT_EQ(resultOf(state.answer(CMD_WIFI_JOIN, Bytes(71, 0))), JOIN_REFUSED);
    EXPECT_EQ(resultOf(state.answer(CMD_WIFI_JOIN, joinRequest("Home", "hunter22"))), 0u);
    EXPECT_EQ(state.networks()[0].connected, 1);
    EXPECT_EQ(resultOf(state.answer(CMD_WIFI_JOIN, joinRequest("Open", ""))), 0u);
    EXPECT_EQ(state.networks()[0].connected, 0) << "one network connected at a time";

    Bytes block(WIFI_SETTINGS_SIZE, 0x42);
    EXPECT_EQ(resultOf(state.answer(CMD_WIFI_SET_SETTINGS, Bytes(100, 0))), SET_REFUSED);
    EXPECT_EQ(state.settings().bytes()[0], fillerByte(0));
    EXPECT_EQ(resultOf(state.answer(CMD_WIFI_SET_SETTINGS, block)), 0xFFFFFFFDu);
    EXPECT_EQ(state.settings().bytes()[0], 0x42);
    EXPECT_TRUE(state.answer(0x1234, {}).empty());
}

TEST(DevsimWifi, HostileModesShapeTheReply) {
    const Bytes reply = frameReply(CMD_WIFI_GET_SETTINGS, Bytes(WIFI_SETTINGS_SIZE, 9));
    const auto plan = [&](auto set) {
        SimModes modes;
        set(modes);
        return planTcpReply(reply, CMD_WIFI_GET_SETTINGS, modes);
    };
    EXPECT_EQ(plan([](SimModes&) {}).bytes, reply);
    EXPECT_TRUE(plan([](SimModes& m) { m.tcpSilent = true; }).bytes.empty());
    EXPECT_EQ(plan([](SimModes& m) { m.tcpHeaderOnly = true; }).bytes.size(), 12u);
    const auto mid = plan([](SimModes& m) { m.tcpCloseMid = true; });
    EXPECT_EQ(mid.bytes.size(), 12 + WIFI_SETTINGS_SIZE / 2);
    EXPECT_TRUE(mid.closeAfter);
    EXPECT_EQ(plan([](SimModes& m) { m.tcpWrongMagic = true; }).bytes[3], 0xAB);
    EXPECT_EQ(ByteReader(plan([](SimModes& m) { m.tcpHugeLength = true; }).bytes).u32(4),
              0xFFFFFFFFu);
    const auto shortened = plan([](SimModes& m) { m.tcpShortSettings = true; });
    EXPECT_EQ(shortened.bytes.size(), 12u + SHORT_SETTINGS_SIZE);
    EXPECT_EQ(ByteReader(shortened.bytes).u32(4), SHORT_SETTINGS_SIZE);
    EXPECT_TRUE(plan([](SimModes& m) { m.tcpTrickle = true; }).trickle);

    SimModes modes;
    EXPECT_TRUE(applyModeName(modes, "tcp-short-settings"));
    EXPECT_TRUE(modes.tcpShortSettings);
    EXPECT_TRUE(applyModeName(modes, "tcp-refuse"));
    EXPECT_TRUE(modes.tcpRefuse);
}

TEST(DevsimWifi, BadWifiConfigurationIsNamed) {
    const std::pair<const char*, const char*> rows[] = {
        {R"({"wifi": 3})", R"(key "wifi": must be an object, not 3)"},
        {R"({"wifi": {"colour": 1}})", R"(key "wifi": key "colour": unknown key)"},
        {R"({"wifi": {"auxSize": 2000000}})", R"(key "auxSize": must be an integer in 0..1048576)"},
        {R"({"wifi": {"networks": [{}, {"signal": 256}]}})",
         R"(key "networks": network 2: key "signal": must be an integer in 0..255, not 256)"},
        {R"({"wifi": {"networks": [{"ssid": "123456789012345678901234567890123"}]}})",
         R"(key "ssid": is longer than 32 bytes)"},
    };
    for (const auto& [device, expected] : rows) {
        const auto loaded =
            parseConfig(std::string(R"({"devices": [)") + device + "]}", "cfg.json");
        EXPECT_FALSE(loaded.config.has_value()) << device;
        EXPECT_NE(loaded.error.find(expected), std::string::npos) << loaded.error;
    }
}

}  // namespace
}  // namespace quillon::devsim

// quillon-cli against quillon-devsim in the lab: the programs as a user runs
// them, checked by their output, their exit status and the simulator's log.

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

#include "LabNetwork.h"

namespace quillon {
namespace {

using lab::BackgroundProcess;
using lab::labValue;
using lab::readFile;
using lab::runProcess;
using lab::scratchFile;
using lab::writeScratchFile;
using nlohmann::json;

class CliLab : public ::testing::Test {
protected:
    void SetUp() override {
        QUILLON_REQUIRE_LAB();
        if (lab::cliPath().empty() || lab::devsimPath().empty()) {
            GTEST_SKIP() << "QUILLON_CLI and QUILLON_DEVSIM must name the programs";
        }
    }

    // Starts a simulator on segment A; extra arguments follow the log option.
    std::unique_ptr<BackgroundProcess> devsim(std::vector<std::string> args) {
        m_log = scratchFile("devsim.log");
        std::vector<std::string> argv{lab::devsimPath(), "--log", m_log};
        argv.insert(argv.end(), args.begin(), args.end());
        auto p = std::make_unique<BackgroundProcess>(labValue("LAB_NS_A"), argv);
        EXPECT_TRUE(p->ready()) << "quillon-devsim did not start";
        return p;
    }

    json searchJson(const std::string& adapter, const std::string& kind) {
        const auto r = runProcess({lab::cliPath(), "search", "--adapter", adapter, kind, "--json"});
        EXPECT_EQ(r.status, 0) << r.err;
        return json::parse(r.out, nullptr, false);
    }

    std::string m_log;
};

const char* kTwoDevices = R"({"devices": [
  {"name": "Lobby NVR", "ip": "10.77.1.20", "gateway": "10.77.1.254", "subnetMask": "255.255.255.0",
   "mac": "00:1A:2B:3C:4D:01", "swVersion": "V4.2.1", "deviceId": "NVR160001", "videoCount": 16,
   "audioTalk": 1, "storage": 1, "wifiSupport": 0, "capabilityBits": 32, "netState": 1,
   "webPort": 80, "videoPort": 34567, "phonePort": 34599},
  {"name": "Gate camera", "mac": "00:1A:2B:3C:4D:02", "videoCount": -1, "wifiSupport": 1,
   "capabilityBits": 0, "netState": 3, "webPort": 8080, "answers": "basic"}]})";

// MAC texts with letters, so that a change of letter case makes another text.
const char* kThreeLettered = R"({"devices": [
  {"name": "A", "mac": "AA:BB:CC:00:00:0A"}, {"name": "B", "mac": "AA:BB:CC:00:00:0B"},
  {"name": "C", "mac": "AA:BB:CC:00:00:0C"}]})";

TEST_F(CliLab, AdaptersAreListedInKernelOrderWithTheAddresslessOneAsAny) {
    const auto r = runProcess({lab::cliPath(), "adapters"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, labValue("LAB_ADAPTER_A") + "\n" + labValue("LAB_ADAPTER_B") + "\n0.0.0.0\n");
}

TEST_F(CliLab, SearchPrintsTheDevicesAsJsonAndTheSimulatorLogsTheProbe) {
    const auto sim = devsim({"--config", writeScratchFile("two.json", kTwoDevices)});

    const json basic = searchJson(labValue("LAB_ADAPTER_A"), "--basic");
    ASSERT_TRUE(basic.is_array());
    ASSERT_EQ(basic.size(), 2u);
    const std::set<std::string> keys{
        "name",          "wifiSupport", "ip",          "gateway",        "subnetMask",
        "mac",           "swVersion",   "videoCount",  "audioCount",     "alarmInCount",
        "alarmOutCount", "audioTalk",   "storage",     "capabilityBits", "webPort",
        "videoPort",     "phonePort",   "deviceId",    "dhcpOn",         "wirelessOn",
        "netStateValid", "dhcpText",    "wirelessText"};
    std::set<std::string> got;
    for (const auto& [key, value] : basic[0].items()) {
        got.insert(key);
    }
    EXPECT_EQ(got, keys);
    EXPECT_EQ(basic[0]["name"], "Lobby NVR");
    EXPECT_EQ(basic[0]["mac"], "00:1A:2B:3C:4D:01");
    EXPECT_EQ(basic[0]["webPort"], "80");
    EXPECT_EQ(basic[0]["deviceId"], "");
    EXPECT_EQ(basic[0]["dhcpOn"], true);
    EXPECT_EQ(basic[0]["dhcpText"], "Y");
    EXPECT_EQ(basic[0]["wirelessText"], "N");
    EXPECT_EQ(basic[1]["videoCount"], "-1");
    EXPECT_EQ(basic[1]["wifiSupport"], 1);
    EXPECT_EQ(basic[1]["webPort"], "8080");
    EXPECT_EQ(basic[1]["dhcpText"], "--");
    EXPECT_EQ(basic[1]["wirelessOn"], false);

    const json extended = searchJson(labValue("LAB_ADAPTER_A"), "--extended");
    ASSERT_EQ(extended.size(), 1u) << "the second device answers the basic probe only";
    EXPECT_EQ(extended[0]["deviceId"], "NVR160001");

    // The two probes, from the adapter and a port of the range, byte for byte.
    std::vector<std::vector<std::uint8_t>> probeBytes;
    for (const auto& d : lab::readDevsimLog(m_log, "recv")) {
        EXPECT_EQ(d.peerAddress, labValue("LAB_ADAPTER_A"));
        EXPECT_GE(d.peerPort, 10000);
        EXPECT_LE(d.peerPort, 10099);
        probeBytes.push_back(d.bytes);
    }
    const std::vector<std::vector<std::uint8_t>> probes{
        {0x55, 0x55, 0xAA, 0xAA, 0, 0, 0, 0, 0, 0, 0x01, 0x90},
        {0x55, 0x55, 0xAA, 0xAA, 0, 0, 0, 0, 0, 0, 0x50, 0x90}};
    EXPECT_EQ(probeBytes, probes) << readFile(m_log);
}

TEST_F(CliLab, HostileRepliesGiveOnlyTheEntriesTheSlotRuleAllows) {
    const auto sim = devsim({"--config", writeScratchFile("three.json", kThreeLettered), "--mode",
                             "wrong-magic", "--mode", "short", "--mode", "mac-case", "--mode",
                             "extended-240", "--mode", "unterminated"});

    const json basic = searchJson(labValue("LAB_ADAPTER_A"), "--basic");
    ASSERT_EQ(basic.size(), 6u) << "three devices, each in two letter cases: " << basic.dump();
    for (const auto& d : basic) {
        EXPECT_NE(d["mac"], "BA:D0:00:00:00:00");
        EXPECT_EQ(d["name"].get<std::string>().size(), 64u) << "a name filling its field";
        EXPECT_LE(d["mac"].get<std::string>().size(), 20u);
    }
    const json extended = searchJson(labValue("LAB_ADAPTER_A"), "--extended");
    ASSERT_EQ(extended.size(), 6u);
    for (const auto& d : extended) {
        EXPECT_EQ(d["deviceId"], "") << "a 240-byte extended reply carries no device ID";
    }
}

TEST_F(CliLab, SearchWithoutAdapterListsEverySegmentInTheWindowsOrder) {
    // Segment A: one device answering both probes, one the basic probe only.
    // Segment B: one device with a higher ID. The refresh lists devices with
    // an ID first, by ID descending, then the rest.
    const auto a = devsim({"--config", writeScratchFile("two.json", kTwoDevices)});
    const auto b = std::make_unique<BackgroundProcess>(
        labValue("LAB_NS_B"),
        std::vector<std::string>{lab::devsimPath(), "--config",
                                 writeScratchFile("b.json", R"({"devices": [{"name": "Dock", "mac":
                                     "00:1A:2B:3C:5E:11", "deviceId": "NVR999", "ip": "10.77.2.41"}]})")});
    ASSERT_TRUE(b->ready());

    const auto r = runProcess({lab::cliPath(), "search", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const json all = json::parse(r.out, nullptr, false);
    ASSERT_EQ(all.size(), 3u) << r.out;
    EXPECT_EQ(all[0]["deviceId"], "NVR999");
    EXPECT_EQ(all[1]["deviceId"], "NVR160001");
    EXPECT_EQ(all[2]["name"], "Gate camera");
    EXPECT_EQ(all[2]["deviceId"], "");

    const auto text = runProcess({lab::cliPath(), "search", "--sort", "IP:asc"});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.out.rfind("Device name", 0), 0u) << "the list's column titles come first";
    const auto lobby = text.out.find("Lobby NVR");
    const auto dock = text.out.find("Dock");
    ASSERT_NE(lobby, std::string::npos);
    ASSERT_NE(dock, std::string::npos);
    EXPECT_LT(lobby, dock) << "10.77.1.20 sorts before 10.77.2.41";
}

TEST_F(CliLab, UsageAndSocketErrorsExitWithTheirStatusAndOneLine) {
    struct Case {
        std::vector<std::string> args;
        int status;
    };
    const std::vector<Case> cases{
        {{"search", "--adapter", "10.77.1"}, 2},
        {{"search", "--adapter", "not-an-address"}, 2},
        {{"search", "--adapter", "10.77.1.1", "--basic", "--extended"}, 2},
        {{"search", "--colour"}, 2},
        {{"frobnicate"}, 2},
        {{}, 2},
        {{"search", "--adapter", "10.77.9.9"}, 3},
    };
    for (const auto& c : cases) {
        std::vector<std::string> argv{lab::cliPath()};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const auto r = runProcess(argv);
        const std::string what = testing::PrintToString(c.args);
        EXPECT_EQ(r.status, c.status) << what << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << what << ": " << r.err;
        EXPECT_TRUE(r.out.empty()) << what;
    }
}

}  // namespace
}  // namespace quillon

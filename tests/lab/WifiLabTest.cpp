// The TCP command channel and quillon-cli wifi against quillon-devsim in the
// lab: a simulated device at its own address and video port, well-behaved
// and in each hostile mode.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <future>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "LabNetwork.h"
#include "net/AddressText.h"
#include "net/ByteReader.h"
#include "net/CSocketEx.h"
#include "net/CancelToken.h"
#include "net/FieldScrambling.h"
#include "net/FrameHeader.h"
#include "net/TcpRequest.h"
#include "net/WifiJoinRecord.h"
#include "net/WifiNetworkRecord.h"
#include "net/WifiSettingsBlock.h"

namespace quillon {
namespace {

using lab::BackgroundProcess;
using lab::runProcess;
using lab::scratchFile;
using nlohmann::json;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

const std::string DEVICE_IP = "10.77.1.20";
const std::string DEVICE_PORT = "34567";

const char* kDevice = R"({"devices": [{"name": "Porch", "ip": "10.77.1.20",
  "gateway": "10.77.1.1", "subnetMask": "255.255.255.0", "mac": "00:1A:2B:3C:4D:20",
  "videoPort": 34567, "wifiSupport": 1, "capabilityBits": 34,
  "wifi": {"enabled": 1, "dhcp": 0, "ip": "10.77.1.120", "subnetMask": "255.255.0.0",
           "gateway": "10.77.1.254", "mac": "00:1A:2B:3C:4D:21", "dnsPrimary": "10.77.1.53",
           "dnsSecondary": "10.77.1.54", "flags": 3, "auxSize": 5000,
           "networks": [
             {"ssid": "Cafe", "authMode": 0, "signal": 51},
             {"ssid": "Home", "key": "hunter22", "authMode": 4, "signal": 200},
             {"ssid": "Attic", "key": "k", "authMode": 2, "signal": 255, "connected": 1}]}}]})";

std::string hexOf(std::span<const std::uint8_t> bytes) {
    static constexpr char HEX[] = "0123456789ABCDEF";
    std::string out;
    for (const std::uint8_t b : bytes) {
        out += ' ';
        out += HEX[b >> 4];
        out += HEX[b & 0x0F];
    }
    return out;
}

std::string zeros(std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        out += " 00";
    }
    return out;
}

class WifiLabBase : public ::testing::Test {
protected:
    void SetUp() override {
        QUILLON_REQUIRE_LAB();
        if (lab::devsimPath().empty()) {
            GTEST_SKIP() << "QUILLON_DEVSIM must name the simulator";
        }
        ASSERT_TRUE(lab::labAddAddress("A", DEVICE_IP));
        SetTarget(DEVICE_IP, DEVICE_PORT);
    }
    void TearDown() override {
        ResetTcpTimeoutsForTesting();
        EXPECT_FALSE(CSocketEx::Instance().IsOpen());
    }

    // A simulator serving the device on TCP, with the given --mode values.
    std::unique_ptr<BackgroundProcess> devsim(const std::vector<std::string>& modes = {},
                                              const std::vector<std::string>& extra = {}) {
        m_log = scratchFile("devsim.log");
        const std::string config = scratchFile("wifi.json");
        std::ofstream(config) << kDevice;
        std::vector<std::string> argv{lab::devsimPath(), "--tcp", "--config", config,
                                      "--log",           m_log};
        for (const auto& m : modes) {
            argv.insert(argv.end(), {"--mode", m});
        }
        argv.insert(argv.end(), extra.begin(), extra.end());
        auto p = std::make_unique<BackgroundProcess>(lab::labValue("LAB_NS_A"), argv);
        EXPECT_TRUE(p->ready()) << "quillon-devsim did not start";
        return p;
    }

    // The simulator's "tcp" lines, in order, as "LEN HEX..." (a line holds a
    // whole request, up to 157 kB of text).
    std::vector<std::string> tcpRequests() const {
        std::vector<std::string> lines;
        std::istringstream in(lab::readFile(m_log));
        for (std::string l; std::getline(in, l);) {
            if (l.rfind("tcp ", 0) == 0) {
                const auto afterSource = l.find(' ', 4);
                lines.push_back(afterSource == std::string::npos ? "" : l.substr(afterSource + 1));
            }
        }
        return lines;
    }

    std::string m_log;
};

class WifiLab : public WifiLabBase {
protected:
    void SetUp() override {
        WifiLabBase::SetUp();
        SetTcpTimeoutsForTesting({milliseconds(3000), milliseconds(3000), milliseconds(500)});
    }
};

TEST_F(WifiLab, AWellBehavedDeviceAnswersAllFiveCommands) {
    const auto sim = devsim();
    g_wifiSettings.bytes()[0] = 0;
    ASSERT_EQ(TcpRequest(g_wifiSettings.bytes(), CMD_WIFI_GET_SETTINGS),
              static_cast<int>(WIFI_SETTINGS_SIZE));
    EXPECT_EQ(g_wifiSettings.wifiEnabled(), 1);
    EXPECT_EQ(BytesToText(g_wifiSettings.ip(), 4), "10.77.1.120");
    EXPECT_EQ(BytesToText(g_wifiSettings.subnetMask(), 4), "255.255.0.0");
    EXPECT_EQ(BytesToText(g_wifiSettings.mac(), 6), "00:1A:2B:3C:4D:21");
    EXPECT_EQ(BytesToText(g_wifiSettings.dnsSecondary(), 4), "10.77.1.54");
    EXPECT_EQ(g_wifiSettings.flags(), 3u);
    EXPECT_EQ(g_wifiSettings.bytes()[0], 3) << "the simulator's filler byte at 0";

    Bytes aux(AUX_BLOCK_SIZE);
    EXPECT_EQ(TcpRequest(aux, CMD_GET_AUX_BLOCK), 5000);

    Bytes list(NETWORK_LIST_BUFFER_SIZE, 0);
    ASSERT_EQ(TcpRequest(list, CMD_WIFI_LIST_NETWORKS), 3 * 72);
    auto networks = ParseNetworkList(std::span(list).first(3 * 72));
    ASSERT_EQ(networks.size(), 3u);
    EXPECT_EQ(networks[1].ssid(), "Home");
    EXPECT_EQ(networks[1].authMode(), AUTH_WPA2_PSK);

    // Join "Home" as the page does: a copy of the listed record, the key
    // typed in the dialog, scrambled just before the request.
    WifiNetworkRecord work = networks[1];
    ASSERT_TRUE(BuildJoinRecord(work, {.name = "Home", .key = "hunter22", .authPosition = 3}));
    ScrambleField(work.keyField());
    std::array<std::uint8_t, 4> result{0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(TcpRequest(result, CMD_WIFI_JOIN, work.bytes()), 4);
    EXPECT_EQ(ByteReader(result).u32(0), 0u) << "the device took the key";
    ASSERT_EQ(TcpRequest(list, CMD_WIFI_LIST_NETWORKS), 3 * 72);
    networks = ParseNetworkList(std::span(list).first(3 * 72));
    EXPECT_NE(networks[1].connected(), 0);
    EXPECT_EQ(networks[2].connected(), 0);

    g_wifiSettings.setDhcpEnabled(1);
    g_wifiSettings.setFlags(g_wifiSettings.flags() | WIFI_SUBMIT_FLAG);
    EXPECT_EQ(SubmitWifiSettings(), 0);

    const auto requests = tcpRequests();
    ASSERT_EQ(requests.size(), 6u);
    EXPECT_EQ(requests[0], "12 55 55 AA AA 00 00 00 00 00 00 00 91");
    EXPECT_EQ(requests[1], "12 55 55 AA AA 00 00 00 00 00 00 00 98");
    EXPECT_EQ(requests[2], "12 55 55 AA AA 00 00 00 00 00 00 12 A1");
    EXPECT_TRUE(requests[3].starts_with("84 55 55 AA AA 48 00 00 00 00 00 13 A1 48"))
        << "the join record, its name first: " << requests[3];
    EXPECT_NE(requests[3].find(" 98 BD A7 97 93 F9 A6 9D 00"), std::string::npos)
        << "the key went out scrambled: " << requests[3];
    EXPECT_EQ(requests[5],
              "52488" +
                  hexOf(FrameHeader{.length = 52476, .command = CMD_WIFI_SET_SETTINGS}.Encode()) +
                  hexOf(g_wifiSettings.bytes()))
        << "the whole block goes back, every uninterpreted byte as read";
}

TEST_F(WifiLab, ARefusingDeviceIsNoConnection) {
    const auto sim = devsim({"tcp-refuse"});
    Bytes buffer(NETWORK_LIST_BUFFER_SIZE);
    EXPECT_EQ(TcpRequest(buffer, CMD_WIFI_LIST_NETWORKS), -2);
    bool connected = true;
    EXPECT_EQ(SubmitWifiSettings(nullptr, &connected), -1);
    EXPECT_FALSE(connected);
}

TEST_F(WifiLab, SilenceAfterTheRequestOrTheHeaderCostsOneReceiveWait) {
    for (const char* mode : {"tcp-silent", "tcp-header-only"}) {
        const auto sim = devsim({mode});
        Bytes buffer(NETWORK_LIST_BUFFER_SIZE);
        const auto start = Clock::now();
        EXPECT_EQ(TcpRequest(buffer, CMD_WIFI_LIST_NETWORKS), -1) << mode;
        const auto took = Clock::now() - start;
        EXPECT_GE(took, milliseconds(500)) << mode;
        EXPECT_LT(took, milliseconds(1500)) << mode;
        EXPECT_EQ(SubmitWifiSettings(), -1) << mode;
    }
}

TEST_F(WifiLab, ATrickledReplyArrivesWhole) {
    const auto sim = devsim({"tcp-trickle"}, {"--trickle-us", "300"});
    Bytes buffer(NETWORK_LIST_BUFFER_SIZE, 0);
    ASSERT_EQ(TcpRequest(buffer, CMD_WIFI_LIST_NETWORKS), 3 * 72);
    const auto networks = ParseNetworkList(std::span(buffer).first(3 * 72));
    EXPECT_EQ(networks[0].ssid(), "Cafe");
    EXPECT_EQ(networks[2].ssid(), "Attic");
    EXPECT_EQ(networks[2].signal(), 255);
    std::array<std::uint8_t, 4> result{0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(TcpRequest(result, CMD_WIFI_JOIN, Bytes(72, 0)), 4);
    EXPECT_EQ(ByteReader(result).u32(0), 1u) << "a join of no known network is refused";
}

TEST_F(WifiLab, BrokenRepliesFailWithoutOverrun) {
    for (const char* mode : {"tcp-close-mid", "tcp-wrong-magic", "tcp-huge-length"}) {
        const auto sim = devsim({mode});
        // Room for exactly what a well-behaved device sends: ASan reports
        // any byte written past it.
        auto list = std::make_unique<std::array<std::uint8_t, 3 * 72>>();
        EXPECT_EQ(TcpRequest(*list, CMD_WIFI_LIST_NETWORKS), -1) << mode;
        auto settings = std::make_unique<WifiSettingsBlock>();
        EXPECT_EQ(TcpRequest(settings->bytes(), CMD_WIFI_GET_SETTINGS), -1) << mode;
        if (std::string(mode) != "tcp-close-mid") {
            EXPECT_EQ(SubmitWifiSettings(), std::string(mode) == "tcp-wrong-magic" ? -1 : 0)
                << mode << ": the submit result ignores the header's length";
        }
    }
}

TEST_F(WifiLab, AShortSettingsReplyOverwritesOnlyWhatItCarries) {
    const auto sim = devsim({"tcp-short-settings"});
    WifiSettingsBlock block;
    block.bytes()[599] = 0x11;
    block.bytes()[600] = 0x22;
    EXPECT_EQ(TcpRequest(block.bytes(), CMD_WIFI_GET_SETTINGS), 600);
    EXPECT_EQ(block.bytes()[599], static_cast<std::uint8_t>(599 * 7 + 3));
    EXPECT_EQ(block.bytes()[600], 0x22);
    EXPECT_EQ(BytesToText(block.ip(), 4), "10.77.1.120");
}

TEST_F(WifiLab, ACancelFreesTheChannelAtOnce) {
    const auto sim = devsim({"tcp-silent"});
    ResetTcpTimeoutsForTesting();
    CancelToken cancel;
    auto job = std::async(std::launch::async, [&] {
        Bytes buffer(WIFI_SETTINGS_SIZE);
        return TcpRequest(buffer, CMD_WIFI_GET_SETTINGS, {}, &cancel);
    });
    std::this_thread::sleep_for(milliseconds(300));
    cancel.cancel();
    // Far inside the 22 s receive wait: the cancel ended it, not a time-out.
    ASSERT_EQ(job.wait_for(std::chrono::seconds(2)), std::future_status::ready);
    EXPECT_EQ(job.get(), -1);
}

// Once at the real wait: a silent device costs 22 s, not more.
TEST_F(WifiLabBase, ASilentDeviceGivesUpAfterTheReal22SecondWait) {
    const auto sim = devsim({"tcp-silent"});
    ResetTcpTimeoutsForTesting();
    Bytes buffer(NETWORK_LIST_BUFFER_SIZE);
    const auto start = Clock::now();
    EXPECT_EQ(TcpRequest(buffer, CMD_WIFI_LIST_NETWORKS), -1);
    const auto took = Clock::now() - start;
    EXPECT_GE(took, std::chrono::seconds(22));
    EXPECT_LT(took, std::chrono::seconds(24));
}

// ---- quillon-cli wifi -----------------------------------------------------

class WifiCliLab : public WifiLabBase {
protected:
    void SetUp() override {
        WifiLabBase::SetUp();
        if (lab::cliPath().empty()) {
            GTEST_SKIP() << "QUILLON_CLI must name the program";
        }
    }
    lab::ProcessResult cli(std::vector<std::string> args) {
        std::vector<std::string> argv{lab::cliPath(), "wifi",   "--ip",
                                      DEVICE_IP,      "--port", DEVICE_PORT};
        argv.insert(argv.end(), args.begin(), args.end());
        return runProcess(argv);
    }
};

TEST_F(WifiCliLab, GetAndSetChangeOnlyWhatIsGiven) {
    const auto sim = devsim();
    auto r = cli({"get", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    json got = json::parse(r.out);
    EXPECT_EQ(got, json::parse(R"({"wifiEnabled": 1, "dhcpEnabled": 0, "ip": "10.77.1.120",
        "subnetMask": "255.255.0.0", "gateway": "10.77.1.254", "dnsPrimary": "10.77.1.53",
        "dnsSecondary": "10.77.1.54", "mac": "00:1A:2B:3C:4D:21", "flags": 3})"));

    r = cli({"set", "--dhcp", "on", "--gateway", "10.77.1.2", "--dns2", "10.77.1.55"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Operation Succeeded!\n");
    r = cli({"get", "--json"});
    got = json::parse(r.out);
    EXPECT_EQ(got["dhcpEnabled"], 1);
    EXPECT_EQ(got["gateway"], "10.77.1.2");
    EXPECT_EQ(got["dnsSecondary"], "10.77.1.55");
    EXPECT_EQ(got["ip"], "10.77.1.120");
    EXPECT_EQ(got["wifiEnabled"], 1);
    EXPECT_EQ(got["flags"], 0x403);

    r = cli({"get"});
    EXPECT_NE(r.out.find("Minor DNS Server  10.77.1.55"), std::string::npos) << r.out;
}

TEST_F(WifiCliLab, ListShowsThePagesRowsAndJoinNeedsTheRightKey) {
    const auto sim = devsim();
    auto r = cli({"list"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "Name   Connection status  Signal strength  Encrypt\n"
              "Attic  Connected          100%             Encrypted\n"
              "Cafe   Disconnected       20%              Unencrypted\n"
              "Home   Disconnected       78%              Encrypted\n");

    r = cli({"join", "--ssid", "  Home ", "--auth", "wpa2-psk", "--key", "wrong"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Operation failed!\n");
    r = cli({"join", "--ssid", "Home", "--auth", "wpa2-psk", "--key", "hunter22"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Operation Succeeded!\n");
    const auto requests = tcpRequests();
    ASSERT_GE(requests.size(), 3u);
    EXPECT_EQ(requests.back(), "84 55 55 AA AA 48 00 00 00 00 00 13 A1 48 6F 6D 65" + zeros(28) +
                                   " 98 BD A7 97 93 F9 A6 9D" + zeros(24) +
                                   " 00 04 FF 00 00 00 00 00");

    r = cli({"list", "--json"});
    const json list = json::parse(r.out);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0]["ssid"], "Home") << "the connected network comes first now";
    EXPECT_EQ(list[0]["connected"], 1);
    EXPECT_EQ(list[0]["authMode"], 4);
    EXPECT_EQ(list[0]["wepKeyIndex"], 255);
    EXPECT_EQ(list[1]["ssid"], "Cafe");
    EXPECT_EQ(list[2]["ssid"], "Attic");
    EXPECT_EQ(list[2]["connected"], 0);
}

TEST_F(WifiCliLab, ExitStatusesSayWhatWentWrong) {
    {
        const auto sim = devsim({"tcp-refuse"});
        for (const auto& args :
             std::vector<std::vector<std::string>>{{"get"},
                                                   {"set", "--wifi", "off"},
                                                   {"list"},
                                                   {"join", "--ssid", "x", "--auth", "none"}}) {
            EXPECT_EQ(cli(args).status, 3) << testing::PrintToString(args);
        }
    }
    {
        // Less than a whole block is no settings to show or to send back.
        const auto sim = devsim({"tcp-short-settings"});
        for (const auto& args :
             std::vector<std::vector<std::string>>{{"get"}, {"set", "--dns1", "10.77.1.9"}}) {
            const auto r = cli(args);
            EXPECT_EQ(r.status, 1) << testing::PrintToString(args);
            EXPECT_EQ(r.out, "The device state error, operation failed!\n");
        }
        const auto requests = tcpRequests();
        EXPECT_EQ(requests.size(), 2u) << "two reads, nothing submitted";
        for (const std::string& request : requests) {
            EXPECT_TRUE(request.starts_with("12 ")) << request;
        }
    }
    {
        const auto sim = devsim({"tcp-wrong-magic"});
        const auto r = cli({"get"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "The device state error, operation failed!\n");
        EXPECT_EQ(cli({"join", "--ssid", "x", "--auth", "none"}).status, 1);
    }
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"get", "--colour"},
             {"join", "--ssid", "x", "--auth", "wpa3"},
             {"join", "--ssid", "x", "--auth", "wep", "--wep-key", "5"},
             {"join", "--ssid", "   ", "--auth", "none"},
             {"join", "--ssid", std::string(33, 'n'), "--auth", "none"},
             {"join", "--ssid", "x", "--auth", "wpa-psk", "--key", std::string(17, 'k')},
             {"set", "--addr", "10.77.1"},
             {"set", "--dhcp", "maybe"},
             {}}) {
        const auto r = cli(args);
        EXPECT_EQ(r.status, 2) << testing::PrintToString(args) << r.err;
        EXPECT_TRUE(r.out.empty()) << testing::PrintToString(args);
    }
    EXPECT_EQ(runProcess({lab::cliPath(), "wifi", "get"}).status, 2) << "--ip is required";
}

}  // namespace
}  // namespace quillon

// quillon-cli set-address and set-dhcp against quillon-devsim in the lab:
// the lines per adapter, the refreshed table, the exit status and the bytes
// the simulator received.

#include <gtest/gtest.h>

#include <fstream>

#include "LabNetwork.h"

namespace quillon {
namespace {

using lab::BackgroundProcess;
using lab::labValue;
using lab::runProcess;
using lab::scratchFile;

const char* kDevices = R"({"devices": [
  {"name": "Cam ok", "ip": "10.77.1.21", "mac": "02:00:0A:00:00:21", "deviceId": "QA21"},
  {"name": "Cam refuses", "ip": "10.77.1.22", "mac": "02:00:0A:00:00:22", "deviceId": "QA22",
   "dhcpResult": 3}]})";

class WiredCliLab : public ::testing::Test {
protected:
    void SetUp() override {
        QUILLON_REQUIRE_LAB();
        if (lab::cliPath().empty() || lab::devsimPath().empty()) {
            GTEST_SKIP() << "QUILLON_CLI and QUILLON_DEVSIM must name the programs";
        }
        const std::string config = scratchFile("wired.json");
        std::ofstream(config) << kDevices;
        m_log = scratchFile("devsim.log");
        m_devsim = std::make_unique<BackgroundProcess>(
            labValue("LAB_NS_A"),
            std::vector<std::string>{lab::devsimPath(), "--config", config, "--log", m_log});
        ASSERT_TRUE(m_devsim->ready());
    }

    // The log's lines for datagrams other than the 12-byte probes.
    std::vector<std::string> commandLines() const {
        std::vector<std::string> lines;
        std::ifstream in(m_log);
        std::string line;
        while (std::getline(in, line)) {
            if (line.starts_with("recv ") && line.find(" 12 55 55 AA AA") == std::string::npos) {
                lines.push_back(line);
            }
        }
        return lines;
    }

    std::string m_log;
    std::unique_ptr<BackgroundProcess> m_devsim;
};

TEST_F(WiredCliLab, SetAddressSendsFromTheMatchingAdapterAndListsTheDeviceMoved) {
    const auto r = runProcess({lab::cliPath(), "set-address", "--mac", "02:00:0A:00:00:21", "--ip",
                               "10.77.1.50", "--mask", "255.255.0.0", "--gateway", "10.77.1.254"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.starts_with("10.77.1.1: Operation Succeeded!\n")) << r.out;
    EXPECT_NE(r.out.find("10.77.1.50"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("2 devices"), std::string::npos) << r.out;
    const auto lines = commandLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].starts_with("recv 10.77.1.1:")) << lines[0];
    EXPECT_NE(
        lines[0].find(" 92 55 55 AA AA 50 00 00 00 01 00 01 90 31 30 2E 37 37 2E 31 2E 35 30 00"),
        std::string::npos)
        << lines[0];
}

TEST_F(WiredCliLab, SetDhcpReportsEveryAdapterAndFailsWhenAnyFailed) {
    const auto r = runProcess({lab::cliPath(), "set-dhcp", "--mac", "02:00:0A:00:00:22"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(
        r.out.starts_with("10.77.1.1: Set DHCP Failed!\n"
                          "10.77.2.1: Operation failed,May be old Device!\n"
                          "0.0.0.0: Operation failed,May be old Device!\n"))
        << r.out;
    const auto lines = commandLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(" 29 55 55 AA AA 11 00 00 00 02 00 01 90 30 32 3A"), std::string::npos)
        << lines[0];
}

// The device answers on its own segment only: the other adapters' silence
// must not turn its success into a failure.
TEST_F(WiredCliLab, SetDhcpSucceedsWhenTheDeviceAnswersOnOneSegment) {
    const auto r = runProcess({lab::cliPath(), "set-dhcp", "--mac", "02:00:0A:00:00:21"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(
        r.out.starts_with("10.77.1.1: Set DHCP Succeeded!!\n"
                          "10.77.2.1: Operation failed,May be old Device!\n"
                          "0.0.0.0: Operation failed,May be old Device!\n"))
        << r.out;
}

TEST_F(WiredCliLab, SetAddressOnNoAdaptersNetworkSendsNothingAndFails) {
    const auto r = runProcess({lab::cliPath(), "set-address", "--mac", "02:00:0A:00:00:21", "--ip",
                               "10.99.1.50", "--mask", "255.255.255.0", "--gateway", "10.99.1.1"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("nothing sent"), std::string::npos) << r.err;
    EXPECT_TRUE(commandLines().empty());
}

TEST_F(WiredCliLab, UsageErrorsSendNothing) {
    const std::vector<std::vector<std::string>> bad = {
        {"set-address", "--mac", "02:00:0A:00:00:21", "--ip", "0.0.0.0", "--mask", "255.255.255.0",
         "--gateway", "10.77.1.1"},
        {"set-address", "--mac", "02:00:0A:00:00:21", "--ip", "10.77.1.5", "--mask", "255.255",
         "--gateway", "10.77.1.1"},
        {"set-address", "--mac", "02:00:0A:00:00:21", "--ip", "10.77.1.5", "--mask",
         "255.255.255.0"},
        {"set-dhcp", "--mac", "02:00:0A:00:00:21:FFFF"},
        {"set-dhcp"},
    };
    for (auto args : bad) {
        args.insert(args.begin(), lab::cliPath());
        const auto r = runProcess(args);
        EXPECT_EQ(r.status, 2) << args[1] << " " << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
    EXPECT_TRUE(commandLines().empty());
}

}  // namespace
}  // namespace quillon

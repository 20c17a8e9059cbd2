// The TCP command channel against a scripted device on 127.0.0.1: the exact
// request bytes of the five commands, every result code, the bounded waits
// (shortened through the test seam) and cancellation from another thread.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <thread>

#include "TcpPeer.h"
#include "net/CSocketEx.h"
#include "net/CancelToken.h"
#include "net/FieldScrambling.h"
#include "net/FrameHeader.h"
#include "net/TcpRequest.h"
#include "net/WifiNetworkRecord.h"
#include "net/WifiSettingsBlock.h"

namespace quillon {
namespace {

using test::TcpPeer;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds SHORT_RECEIVE{300};

class TcpChannel : public ::testing::Test {
protected:
    void SetUp() override {
        SetTcpTimeoutsForTesting({milliseconds(2000), milliseconds(2000), SHORT_RECEIVE});
    }
    void TearDown() override {
        ResetTcpTimeoutsForTesting();
        EXPECT_FALSE(CSocketEx::Instance().IsOpen()) << "the socket is closed after every exchange";
        SetTarget("", "");
    }
    static void target(const TcpPeer& peer) { SetTarget("127.0.0.1", std::to_string(peer.port())); }
};

Bytes headerBytes(std::initializer_list<int> values) {
    Bytes out;
    for (const int v : values) {
        out.push_back(static_cast<std::uint8_t>(v));
    }
    return out;
}

void answerEmpty(int fd, const Bytes&) {
    TcpPeer::sendAll(fd, TcpPeer::reply(0, {}));
}

TEST_F(TcpChannel, TheFiveRequestsGoOutByteForByte) {
    TcpPeer peer(answerEmpty);
    ASSERT_NE(peer.port(), 0);
    target(peer);

    std::array<std::uint8_t, 4> small{};
    EXPECT_EQ(TcpRequest(small, CMD_WIFI_GET_SETTINGS), 0);
    EXPECT_EQ(TcpRequest(small, CMD_GET_AUX_BLOCK), 0);
    EXPECT_EQ(TcpRequest(small, CMD_WIFI_LIST_NETWORKS), 0);

    WifiNetworkRecord record;
    const std::string key = "hunter2";
    std::copy(key.begin(), key.end(), record.keyField().begin());
    record.setAuthMode(AUTH_WPA2_PSK);
    ScrambleField(record.keyField());
    EXPECT_EQ(TcpRequest(small, CMD_WIFI_JOIN, record.bytes()), 0);

    for (std::size_t i = 0; i < WIFI_SETTINGS_SIZE; ++i) {
        g_wifiSettings.bytes()[i] = static_cast<std::uint8_t>(i % 251);
    }
    EXPECT_EQ(SubmitWifiSettings(), -1) << "a reply without the 4-byte result is a failure";

    ASSERT_TRUE(peer.waitForRequests(5));
    const auto requests = peer.requests();
    EXPECT_EQ(requests[0], headerBytes({0x55, 0x55, 0xAA, 0xAA, 0, 0, 0, 0, 0, 0, 0x00, 0x91}));
    EXPECT_EQ(requests[1], headerBytes({0x55, 0x55, 0xAA, 0xAA, 0, 0, 0, 0, 0, 0, 0x00, 0x98}));
    EXPECT_EQ(requests[2], headerBytes({0x55, 0x55, 0xAA, 0xAA, 0, 0, 0, 0, 0, 0, 0x12, 0xA1}));
    ASSERT_EQ(requests[3].size(), 84u);
    EXPECT_EQ(Bytes(requests[3].begin(), requests[3].begin() + 12),
              headerBytes({0x55, 0x55, 0xAA, 0xAA, 0x48, 0, 0, 0, 0, 0, 0x13, 0xA1}));
    EXPECT_TRUE(std::equal(record.bytes().begin(), record.bytes().end(), requests[3].begin() + 12));
    EXPECT_EQ(requests[3][12 + 32], 0x98) << "the key went out scrambled ('h' at 0)";
    ASSERT_EQ(requests[4].size(), 52488u);
    EXPECT_EQ(Bytes(requests[4].begin(), requests[4].begin() + 12),
              headerBytes({0x55, 0x55, 0xAA, 0xAA, 0xFC, 0xCC, 0, 0, 0, 0, 0x00, 0xA1}));
    EXPECT_TRUE(std::equal(g_wifiSettings.bytes().begin(), g_wifiSettings.bytes().end(),
                           requests[4].begin() + 12));
}

TEST_F(TcpChannel, RepliesWholeInPiecesEmptyOrWithoutMagic) {
    Bytes payload(144);
    for (std::size_t i = 0; i < payload.size(); ++i) {
        payload[i] = static_cast<std::uint8_t>(i + 1);
    }
    TcpPeer pieces([&](int fd, const Bytes&) {
        const Bytes all = TcpPeer::reply(144, payload);
        for (std::size_t at = 0; at < all.size(); at += 7) {
            const std::size_t n = std::min<std::size_t>(7, all.size() - at);
            TcpPeer::sendAll(fd, std::span(all).subspan(at, n));
            std::this_thread::sleep_for(milliseconds(2));
        }
    });
    target(pieces);
    Bytes buffer(NETWORK_LIST_BUFFER_SIZE, 0);
    EXPECT_EQ(TcpRequest(buffer, CMD_WIFI_LIST_NETWORKS), 144);
    EXPECT_TRUE(std::equal(payload.begin(), payload.end(), buffer.begin()));
    EXPECT_EQ(buffer[144], 0);
    EXPECT_EQ(ParseNetworkList(std::span(buffer).first(144)).size(), 2u);

    TcpPeer empty([](int fd, const Bytes&) {
        // A length of 0 with bytes after it: those bytes are not read.
        TcpPeer::sendAll(fd, TcpPeer::reply(0, Bytes(10, 0xEE)));
    });
    target(empty);
    std::fill(buffer.begin(), buffer.end(), 0);
    EXPECT_EQ(TcpRequest(buffer, CMD_WIFI_GET_SETTINGS), 0);
    EXPECT_EQ(buffer[0], 0);

    TcpPeer wrongMagic([](int fd, const Bytes&) {
        TcpPeer::sendAll(fd, TcpPeer::reply(4, Bytes(4, 0), 0xABAA5555));
    });
    target(wrongMagic);
    EXPECT_EQ(TcpRequest(buffer, CMD_WIFI_JOIN, Bytes(72, 0)), -1);
    EXPECT_EQ(SubmitWifiSettings(), -1);
}

TEST_F(TcpChannel, AnnouncedLengthsBeyondTheBufferFailWithoutOverrun) {
    for (const std::uint32_t announced : {5u, 0x10000u, 0x80000000u, 0xFFFFFFFFu}) {
        TcpPeer peer([&](int fd, const Bytes&) {
            TcpPeer::sendAll(fd, TcpPeer::reply(announced, Bytes(64, 0x77)));
        });
        target(peer);
        // Exactly 4 bytes of room, as for the join result: ASan reports any
        // write past it.
        auto result = std::make_unique<std::array<std::uint8_t, 4>>();
        result->fill(0xFF);
        EXPECT_EQ(TcpRequest(*result, CMD_WIFI_JOIN, Bytes(72, 0)), -1) << announced;
    }
    TcpPeer exact([](int fd, const Bytes&) {
        TcpPeer::sendAll(fd, TcpPeer::reply(4, Bytes{0, 0, 0, 0}));
    });
    target(exact);
    std::array<std::uint8_t, 4> result{0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(TcpRequest(result, CMD_WIFI_JOIN, Bytes(72, 0)), 4);
    EXPECT_EQ(result, (std::array<std::uint8_t, 4>{0, 0, 0, 0}));
}

TEST_F(TcpChannel, ClosingMidPayloadFailsAndNoReplyWantedReadsNothing) {
    TcpPeer closing([](int fd, const Bytes&) {
        TcpPeer::sendAll(fd, TcpPeer::reply(144, Bytes(70, 1)));
        ::shutdown(fd, SHUT_WR);
    });
    target(closing);
    Bytes buffer(NETWORK_LIST_BUFFER_SIZE);
    EXPECT_EQ(TcpRequest(buffer, CMD_WIFI_LIST_NETWORKS), -1);

    // The device never answers: without a reply buffer that costs no wait.
    TcpPeer silent;
    target(silent);
    const auto start = Clock::now();
    EXPECT_EQ(TcpRequest(NO_REPLY, CMD_WIFI_GET_SETTINGS), 0);
    EXPECT_LT(Clock::now() - start, SHORT_RECEIVE);
    EXPECT_TRUE(silent.waitForRequests(1));
}

TEST_F(TcpChannel, NoTargetOrNobodyListening) {
    TcpPeer peer(answerEmpty);
    SetTarget("", std::to_string(peer.port()));
    Bytes buffer(16);
    EXPECT_EQ(TcpRequest(buffer, CMD_WIFI_GET_SETTINGS), -1);
    EXPECT_EQ(peer.connections(), 0) << "nothing is opened without a target";

    // A port bound but not listening refuses at once.
    const UniqueSocket closed(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in at = TcpPeer::loopback(0);
    socklen_t size = sizeof at;
    ASSERT_EQ(::bind(closed.get(), reinterpret_cast<sockaddr*>(&at), size), 0);
    ASSERT_EQ(::getsockname(closed.get(), reinterpret_cast<sockaddr*>(&at), &size), 0);
    SetTarget("127.0.0.1", std::to_string(ntohs(at.sin_port)));
    EXPECT_EQ(TcpRequest(buffer, CMD_WIFI_GET_SETTINGS), -2);
    bool connected = true;
    EXPECT_EQ(SubmitWifiSettings(nullptr, &connected), -1);
    EXPECT_FALSE(connected);
    EXPECT_EQ(CSocketEx::Instance().Connect(), -3);
    EXPECT_FALSE(CSocketEx::Instance().IsOpen());

    // Texts that name no address or port never reach the network.
    for (const auto& [ip, port] :
         {std::pair{"10.0.0", "80"}, std::pair{"localhost", "80"}, std::pair{"127.0.0.1", "0"},
          std::pair{"127.0.0.1", "70000"}, std::pair{"127.0.0.1", "port"}}) {
        SetTarget(ip, port);
        EXPECT_EQ(TcpRequest(buffer, CMD_WIFI_GET_SETTINGS), -2) << ip << ":" << port;
    }
    SetTarget("192.168.100.200.1.2.3.4.5.6.7.8.9.10.11.12", "34567abc");
    EXPECT_EQ(std::string(g_targetIp.data()).size(), TARGET_IP_SIZE - 1);
    EXPECT_EQ(g_targetPort, 34567);
}

TEST_F(TcpChannel, SubmitTakesTheResultWhateverTheHeaderLength) {
    for (const auto& [word, expected] :
         {std::pair{Bytes{0, 0, 0, 0}, 0}, std::pair{Bytes{7, 1, 0, 0}, 263},
          std::pair{Bytes{0xFE, 0xFF, 0xFF, 0xFF}, -2}}) {
        TcpPeer peer([&](int fd, const Bytes&) { TcpPeer::sendAll(fd, TcpPeer::reply(0, word)); });
        target(peer);
        EXPECT_EQ(SubmitWifiSettings(), expected);
    }
    TcpPeer partial([](int fd, const Bytes&) {
        TcpPeer::sendAll(fd, TcpPeer::reply(4, Bytes{0, 0}));
    });
    target(partial);
    EXPECT_EQ(SubmitWifiSettings(), -1) << "two bytes of the result, then silence";
}

TEST_F(TcpChannel, ASilentDeviceCostsOneReceiveWait) {
    TcpPeer silent;
    TcpPeer headerOnly([](int fd, const Bytes&) { TcpPeer::sendAll(fd, TcpPeer::reply(144, {})); });
    for (const TcpPeer* peer : {&silent, &headerOnly}) {
        target(*peer);
        Bytes buffer(NETWORK_LIST_BUFFER_SIZE);
        const auto start = Clock::now();
        EXPECT_EQ(TcpRequest(buffer, CMD_WIFI_LIST_NETWORKS), -1);
        const auto took = Clock::now() - start;
        EXPECT_GE(took, SHORT_RECEIVE);
        EXPECT_LT(took, 2 * SHORT_RECEIVE + milliseconds(500));
    }
}

TEST_F(TcpChannel, TheRealWaitsAreTheGivenOnes) {
    ResetTcpTimeoutsForTesting();
    const TcpTimeouts t = CurrentTcpTimeouts();
    EXPECT_EQ(t.connect, milliseconds(10000));
    EXPECT_EQ(t.send, milliseconds(3000));
    EXPECT_EQ(t.receive, milliseconds(22000));
}

// At the real 22 s wait: a cancel from another thread ends the exchange at
// once, and the channel serves the next request straight away.
TEST_F(TcpChannel, CancelEndsAWaitingExchangeAndFreesTheChannel) {
    ResetTcpTimeoutsForTesting();
    TcpPeer silent;
    target(silent);
    CancelToken cancel;
    auto exchange = std::async(std::launch::async, [&] {
        Bytes buffer(WIFI_SETTINGS_SIZE);
        return TcpRequest(buffer, CMD_WIFI_GET_SETTINGS, {}, &cancel);
    });
    ASSERT_TRUE(silent.waitForRequests(1));
    cancel.cancel();
    // Far inside the 22 s receive wait: the cancel ended it, not a time-out.
    // (How fast is measured, not asserted: see the WiFi page's close figure.)
    ASSERT_EQ(exchange.wait_for(std::chrono::seconds(2)), std::future_status::ready);
    EXPECT_EQ(exchange.get(), -1);

    // A cancelled token fails every later exchange before it connects.
    Bytes buffer(16);
    EXPECT_EQ(TcpRequest(buffer, CMD_WIFI_GET_SETTINGS, {}, &cancel), -2);
    EXPECT_EQ(silent.connections(), 1);

    TcpPeer answering(answerEmpty);
    target(answering);
    EXPECT_EQ(TcpRequest(buffer, CMD_WIFI_GET_SETTINGS), 0);
}

TEST_F(TcpChannel, ExchangesFromTwoThreadsTakeTurns) {
    std::atomic<int> inside{0};
    std::atomic<int> overlapped{0};
    TcpPeer peer([&](int fd, const Bytes&) {
        if (++inside > 1) {
            ++overlapped;
        }
        std::this_thread::sleep_for(milliseconds(20));
        --inside;
        TcpPeer::sendAll(fd, TcpPeer::reply(4, Bytes{0, 0, 0, 0}));
    });
    target(peer);
    auto job = [] {
        int ok = 0;
        for (int i = 0; i < 5; ++i) {
            std::array<std::uint8_t, 4> result{};
            ok += TcpRequest(result, CMD_WIFI_JOIN, Bytes(72, 0)) == 4 ? 1 : 0;
        }
        return ok;
    };
    auto worker = std::async(std::launch::async, job);
    int submitted = 0;
    for (int i = 0; i < 5; ++i) {
        submitted += SubmitWifiSettings() == 0 ? 1 : 0;
    }
    EXPECT_EQ(worker.get(), 5);
    EXPECT_EQ(submitted, 5);
    EXPECT_EQ(overlapped.load(), 0);
}

}  // namespace
}  // namespace quillon

#include "net/UdpTransport.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <ctime>
#include <numeric>
#include <set>
#include <vector>

#include "LoopbackPeer.h"

// Everything here binds to 127.0.0.1 and sends only unicast to loopback
// ports; no test sends a broadcast.

namespace quillon {
namespace {

using test::LoopbackPeer;
using Clock = std::chrono::steady_clock;

constexpr const char* LOOPBACK = "127.0.0.1";

bool inLocalRange(std::uint16_t port) {
    return port >= LOCAL_PORT_BASE && port < LOCAL_PORT_BASE + LOCAL_PORT_COUNT;
}

// A socket that is open, so a failed open can be seen to empty it.
UniqueSocket someOpenSocket() {
    return UniqueSocket(::socket(AF_INET, SOCK_DGRAM, 0));
}

TEST(OpenBroadcastSocket, BindsTheAddressAndAPortOfTheRange) {
    UniqueSocket socket;
    ASSERT_TRUE(OpenBroadcastSocket(socket, LOOPBACK));
    ASSERT_TRUE(socket.valid());
    EXPECT_TRUE(inLocalRange(LocalPort(socket.get()))) << LocalPort(socket.get());

    sockaddr_in local{};
    socklen_t size = sizeof local;
    ASSERT_EQ(::getsockname(socket.get(), reinterpret_cast<sockaddr*>(&local), &size), 0);
    EXPECT_EQ(ntohl(local.sin_addr.s_addr), INADDR_LOOPBACK);
    int broadcast = 0;
    size = sizeof broadcast;
    ASSERT_EQ(::getsockopt(socket.get(), SOL_SOCKET, SO_BROADCAST, &broadcast, &size), 0);
    EXPECT_NE(broadcast, 0);

    // "0.0.0.0" binds to any local address (binding sends nothing).
    UniqueSocket any;
    ASSERT_TRUE(OpenBroadcastSocket(any, "0.0.0.0"));
    size = sizeof local;
    ASSERT_EQ(::getsockname(any.get(), reinterpret_cast<sockaddr*>(&local), &size), 0);
    EXPECT_EQ(local.sin_addr.s_addr, htonl(INADDR_ANY));
}

TEST(OpenBroadcastSocket, TwoOpensInOneSecondBothSucceedOnDifferentPorts) {
    // Both draw the same first port; the later one must move on to another.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const std::time_t before = std::time(nullptr);
        UniqueSocket first;
        UniqueSocket second;
        ASSERT_TRUE(OpenBroadcastSocket(first, LOOPBACK));
        ASSERT_TRUE(OpenBroadcastSocket(second, LOOPBACK));
        if (std::time(nullptr) != before) {
            continue;  // a second boundary fell in between; the draws differed
        }
        EXPECT_NE(LocalPort(first.get()), LocalPort(second.get()));
        EXPECT_TRUE(inLocalRange(LocalPort(second.get())));
        return;
    }
    FAIL() << "never managed two opens within one second";
}

TEST(OpenBroadcastSocket, AHundredOpenSocketsExhaustTheRange) {
    std::vector<UniqueSocket> held;
    std::set<std::uint16_t> ports;
    for (int i = 0; i < LOCAL_PORT_COUNT + 1; ++i) {
        UniqueSocket socket;
        if (!OpenBroadcastSocket(socket, LOOPBACK)) {
            break;
        }
        ports.insert(LocalPort(socket.get()));
        held.push_back(std::move(socket));
    }
    ASSERT_LE(held.size(), std::size_t{LOCAL_PORT_COUNT});
    EXPECT_EQ(ports.size(), held.size());
    EXPECT_TRUE(std::all_of(ports.begin(), ports.end(), inLocalRange));
    // A port of the range we did not get is one that another program holds:
    // the open tried every port before it gave up.
    for (std::uint16_t port = LOCAL_PORT_BASE; port < LOCAL_PORT_BASE + LOCAL_PORT_COUNT; ++port) {
        if (ports.count(port) == 0) {
            EXPECT_FALSE(LoopbackPeer::canBind(port)) << "port " << port << " was free";
        }
    }

    UniqueSocket refused = someOpenSocket();
    EXPECT_FALSE(OpenBroadcastSocket(refused, LOOPBACK));
    EXPECT_FALSE(refused.valid());

    // One port freed is the one the next open finds.
    const std::uint16_t freed = LocalPort(held.back().get());
    held.pop_back();
    UniqueSocket again;
    ASSERT_TRUE(OpenBroadcastSocket(again, LOOPBACK));
    EXPECT_EQ(LocalPort(again.get()), freed);
}

TEST(OpenBroadcastSocket, FailsForAnAddressItCannotUse) {
    // An unreadable text must not turn into a socket bound to the broadcast
    // address, from which a probe would leave on an adapter nobody chose.
    for (const char* address :
         {"not.an.address", "", "255.255.255.255", "1.2.3.4", "127.0.0.1x", "300.1.2.3"}) {
        SCOPED_TRACE(address);
        UniqueSocket socket = someOpenSocket();
        EXPECT_FALSE(OpenBroadcastSocket(socket, address));
        EXPECT_FALSE(socket.valid());
    }
}

class ReceiveWithTimeoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(OpenBroadcastSocket(m_socket, LOOPBACK));
        m_port = LocalPort(m_socket.get());
        ASSERT_TRUE(m_peer.valid());
    }

    std::vector<std::uint8_t> datagram(std::size_t size) {
        std::vector<std::uint8_t> bytes(size);
        std::iota(bytes.begin(), bytes.end(), std::uint8_t{1});
        return bytes;
    }

    UniqueSocket m_socket;
    std::uint16_t m_port = 0;
    LoopbackPeer m_peer;
};

TEST_F(ReceiveWithTimeoutTest, AQueuedDatagramIsReadWholeAndAlone) {
    const auto first = datagram(240);
    const auto second = datagram(480);
    ASSERT_TRUE(m_peer.sendTo(m_port, first));
    ASSERT_TRUE(m_peer.sendTo(m_port, second));

    std::vector<std::uint8_t> buffer(8192, 0);
    // A long time-out: a queued datagram must not wait for any of it.
    ASSERT_EQ(ReceiveWithTimeout(600'000, m_socket.get(), buffer), 240);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), buffer.begin()));
    ASSERT_EQ(ReceiveWithTimeout(600'000, m_socket.get(), buffer), 480);
    EXPECT_TRUE(std::equal(second.begin(), second.end(), buffer.begin()));
}

TEST_F(ReceiveWithTimeoutTest, NothingPendingGivesZeroAfterTheTimeOut) {
    std::vector<std::uint8_t> buffer(16);
    const auto start = Clock::now();
    EXPECT_EQ(ReceiveWithTimeout(60, m_socket.get(), buffer), 0);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(55));
}

TEST_F(ReceiveWithTimeoutTest, ADatagramLargerThanTheBufferIsAReadError) {
    // POSIX would hand over the first 16 bytes and drop the rest unseen;
    // such a datagram must count as the failed read it was on the original.
    std::vector<std::uint8_t> buffer(16, 0);
    ASSERT_TRUE(m_peer.sendTo(m_port, datagram(100)));
    EXPECT_EQ(ReceiveWithTimeout(600'000, m_socket.get(), buffer), -1);
    // ... and it is gone, not read again cut short.
    EXPECT_EQ(ReceiveWithTimeout(20, m_socket.get(), buffer), 0);

    // Exactly the buffer's size still fits.
    ASSERT_TRUE(m_peer.sendTo(m_port, datagram(16)));
    EXPECT_EQ(ReceiveWithTimeout(600'000, m_socket.get(), buffer), 16);
}

TEST_F(ReceiveWithTimeoutTest, AnEmptyDatagramReadsAsNothing) {
    std::vector<std::uint8_t> buffer(64);
    ASSERT_TRUE(m_peer.sendTo(m_port, {}));
    ASSERT_TRUE(m_peer.sendTo(m_port, datagram(12)));
    EXPECT_EQ(ReceiveWithTimeout(600'000, m_socket.get(), buffer), 0);
    EXPECT_EQ(ReceiveWithTimeout(600'000, m_socket.get(), buffer), 12);
}

TEST_F(ReceiveWithTimeoutTest, ANegativeTimeOutSleepsOneShortSliceInsteadOfSpinning) {
    std::vector<std::uint8_t> buffer(8192);
    constexpr int CALLS = 10;
    timespec cpuBefore{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpuBefore);
    const auto start = Clock::now();
    for (int i = 0; i < CALLS; ++i) {
        ASSERT_EQ(ReceiveWithTimeout(-1, m_socket.get(), buffer), 0);
    }
    const auto wall = Clock::now() - start;
    timespec cpuAfter{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpuAfter);
    const auto cpu = std::chrono::seconds(cpuAfter.tv_sec - cpuBefore.tv_sec) +
                     std::chrono::nanoseconds(cpuAfter.tv_nsec - cpuBefore.tv_nsec);

    // Each call waited in the kernel for a while, and used almost no CPU doing so.
    EXPECT_GE(wall, CALLS * std::chrono::milliseconds(RECEIVE_SLICE_MS / 2));
    EXPECT_LT(cpu * 4, wall);

    // A datagram that is already there is read by a negative wait too.
    ASSERT_TRUE(m_peer.sendTo(m_port, datagram(240)));
    int n = 0;
    for (int i = 0; i < 100 && n == 0; ++i) {
        n = ReceiveWithTimeout(-1, m_socket.get(), buffer);
    }
    EXPECT_EQ(n, 240);
}

TEST(SendBroadcast, FailsWithoutTheBroadcastOptionOrASocket) {
    // The kernel refuses a broadcast from a socket without SO_BROADCAST before
    // anything is sent, so this sends nothing anywhere.
    UniqueSocket plain(::socket(AF_INET, SOCK_DGRAM, 0));
    ASSERT_TRUE(plain.valid());
    const std::array<std::uint8_t, 12> probe{};
    EXPECT_EQ(SendBroadcast(plain.get(), probe), -1);

    // A closed socket's handle is the invalid one. (A stale descriptor number
    // is not tried: another thread may own it by now.)
    UniqueSocket closed;
    ASSERT_TRUE(OpenBroadcastSocket(closed, LOOPBACK));
    closed.reset();
    EXPECT_EQ(SendBroadcast(closed.get(), probe), -1);
}

TEST(LocalPort, IsZeroForNoSocket) {
    EXPECT_EQ(LocalPort(INVALID_SOCKET), 0);
}

}  // namespace
}  // namespace quillon

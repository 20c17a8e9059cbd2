#include "discovery/SearchWorker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "LoopbackPeer.h"
#include "RecordBuilder.h"
#include "net/UdpTransport.h"
#include "platform/Tick.h"
#include "platform/WorkerThread.h"

// The workers here are bound to 127.0.0.1: the kernel sends their probe out
// of the loopback device only (the source address picks the device for a
// broadcast), so nothing leaves this machine. The "devices" are a loopback
// socket sending unicast replies to the worker's port.

namespace quillon {
namespace {

using namespace std::chrono_literals;
using test::appendDeviceId;
using test::LoopbackPeer;
using test::RecordBuilder;

constexpr const char* LOOPBACK = "127.0.0.1";

// Holds every free port of the local range on 127.0.0.1 but one, so the next
// worker to open a socket there can only get that one and the test knows
// where its replies must go. Released as soon as the worker has its socket,
// so other programs' tests are not kept from the range for long.
class PortFunnel {
public:
    std::optional<std::uint16_t> leaveOneFree() {
        for (;;) {
            UniqueSocket socket;
            if (!OpenBroadcastSocket(socket, LOOPBACK)) {
                break;
            }
            m_held.push_back(std::move(socket));
        }
        if (m_held.empty()) {
            return std::nullopt;
        }
        const std::uint16_t port = LocalPort(m_held.back().get());
        m_held.pop_back();
        return port;
    }
    void release() { m_held.clear(); }

private:
    std::vector<UniqueSocket> m_held;
};

std::vector<std::uint8_t> reply(const std::vector<RecordBuilder>& records,
                                std::optional<std::string_view> deviceId = std::nullopt) {
    std::vector<std::uint8_t> datagram;
    for (const auto& r : records) {
        r.appendTo(datagram);
    }
    if (deviceId) {
        appendDeviceId(datagram, *deviceId);
    }
    return datagram;
}

class SearchWorkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_tables = std::make_shared<SearchTables>();
        ASSERT_TRUE(m_peer.valid());
    }
    void TearDown() override {
        if (m_tables) {
            m_tables->m_stopRequested = true;
        }
        JoinOutstandingWorkerThreads();
        SetSearchWindowForTesting(SEARCH_WINDOW_MS);
        SetTickOffsetForTesting(0);
    }

    AdapterSlot slotFor(const char* address) const {
        AdapterSlot slot;
        slot.setAddress(address);
        slot.owner = m_tables;
        return slot;
    }

    // A search on a thread of its own, as the refresh starts it; the outcome
    // is kept for the test to judge.
    struct Started {
        WorkerThread thread;
        std::shared_future<SearchOutcome> outcome;
    };
    static Started start(AdapterSlot slot, SearchKind kind) {
        auto promise = std::make_shared<std::promise<SearchOutcome>>();
        Started started{{}, promise->get_future().share()};
        started.thread = WorkerThread::Start([slot = std::move(slot), kind, promise]() mutable {
            promise->set_value(RunSearch(std::move(slot), kind));
        });
        return started;
    }

    // Starts a worker on 127.0.0.1 whose port the test knows; empty when the
    // worker ended before taking any reply (its probe could not be sent here,
    // or another program took the port first).
    std::optional<std::uint16_t> startListening(Started& worker, SearchKind kind,
                                                std::function<bool()> stored,
                                                const std::vector<std::uint8_t>& first) {
        PortFunnel funnel;
        const auto port = funnel.leaveOneFree();
        if (!port) {
            return std::nullopt;
        }
        worker = start(slotFor(LOOPBACK), kind);
        sendUntil(*port, first, [&] { return stored() || worker.thread.WaitFor(0); });
        funnel.release();
        return stored() ? port : std::nullopt;
    }

    // Sends the datagram every few milliseconds until the condition holds.
    bool sendUntil(std::uint16_t port, const std::vector<std::uint8_t>& datagram,
                   const std::function<bool()>& condition) {
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (std::chrono::steady_clock::now() < deadline) {
            m_peer.sendTo(port, datagram);
            std::this_thread::sleep_for(5ms);
            if (condition()) {
                return true;
            }
        }
        return false;
    }

    bool hasMac(const SearchResultTable& table, const std::string& mac, const char* name) const {
        const auto entries = table.Entries();
        return std::any_of(entries.begin(), entries.end(),
                           [&](const DevInfo& d) { return d.mac == mac && d.name == name; });
    }

    std::shared_ptr<SearchTables> m_tables;
    LoopbackPeer m_peer;
};

TEST_F(SearchWorkerTest, AWorkerThatCannotBindStoresNothingAndEndsAtOnce) {
    // A window far longer than the wait below: ending in time means ending at once.
    SetSearchWindowForTesting(600'000);
    for (const char* address : {"1.2.3.4", "not an address", ""}) {
        for (const auto kind : {SearchKind::Basic, SearchKind::Extended}) {
            SCOPED_TRACE(address);
            auto worker = start(slotFor(address), kind);
            ASSERT_TRUE(worker.thread.WaitFor(30'000));
            EXPECT_EQ(worker.outcome.get(), SearchOutcome::SocketFailed);
        }
    }
    AdapterSlot orphan;
    orphan.setAddress(LOOPBACK);
    // No owner: nothing to store into, so no socket is even opened.
    EXPECT_EQ(RunSearch(orphan, SearchKind::Basic), SearchOutcome::SocketFailed);
    EXPECT_EQ(m_tables->m_basicTable.Size(), 0u);
    EXPECT_EQ(m_tables->m_extendedTable.Size(), 0u);
}

TEST_F(SearchWorkerTest, WithNoDeviceTheWorkerEndsAfterItsWindowWithNothingStored) {
    SetSearchWindowForTesting(150);
    const std::uint32_t start = GetTickCount();
    const auto outcome = RunSearch(slotFor(LOOPBACK), SearchKind::Extended);
    const std::uint32_t elapsed = TickDiff(GetTickCount(), start);
    EXPECT_EQ(m_tables->m_extendedTable.Size(), 0u);
    EXPECT_EQ(m_tables->m_basicTable.Size(), 0u);
    if (outcome == SearchOutcome::SendFailed) {
        GTEST_SKIP() << "this kernel would not send a broadcast from 127.0.0.1";
    }
    EXPECT_EQ(outcome, SearchOutcome::Completed);
    EXPECT_GT(elapsed, 150u);
}

TEST_F(SearchWorkerTest, RepliesBecomeEntriesAndTheLastReplyWins) {
    SetSearchWindowForTesting(600'000);  // ended by the stop request instead
    const auto first = RecordBuilder().name("one").mac("00:00:00:00:00:01");
    const auto second = RecordBuilder().name("two").mac("00:00:00:00:00:02");
    Started worker;
    auto& table = m_tables->m_basicTable;
    const auto port = startListening(
        worker, SearchKind::Basic, [&] { return table.Size() == 2; }, reply({first, second}));
    if (!port) {
        GTEST_SKIP() << "the worker ended before any reply reached it";
    }
    const auto entries = table.Entries();
    EXPECT_EQ(entries[0].name, "one");
    EXPECT_EQ(entries[1].name, "two");
    EXPECT_EQ(entries[1].deviceId, "");

    // The same device again, changed: one entry, with the later data.
    const auto renamed = RecordBuilder().name("one again").mac("00:00:00:00:00:01");
    ASSERT_TRUE(sendUntil(*port, reply({renamed}),
                          [&] { return hasMac(table, "00:00:00:00:00:01", "one again"); }));
    EXPECT_EQ(table.Size(), 2u);

    // What is not a record is passed over: a probe coming back, a slot with
    // the wrong magic. The record after them proves they were read.
    const auto probe = BasicSearchProbe();
    m_peer.sendTo(*port, probe);
    m_peer.sendTo(*port, reply({RecordBuilder().magic(0xABAA5555).mac("00:00:00:00:00:03")}));
    const auto marker = RecordBuilder().name("four").mac("00:00:00:00:00:04");
    ASSERT_TRUE(sendUntil(*port, reply({marker}),
                          [&] { return hasMac(table, "00:00:00:00:00:04", "four"); }));
    EXPECT_EQ(table.Size(), 3u);
    EXPECT_EQ(m_tables->m_extendedTable.Size(), 0u);

    m_tables->m_stopRequested = true;
    ASSERT_TRUE(worker.thread.WaitFor(30'000));
    EXPECT_EQ(worker.outcome.get(), SearchOutcome::Completed);
}

TEST_F(SearchWorkerTest, ExtendedRepliesCarryTheirDeviceId) {
    SetSearchWindowForTesting(600'000);
    auto& table = m_tables->m_extendedTable;
    Started worker;
    const auto port = startListening(
        worker, SearchKind::Extended, [&] { return table.Size() == 1; },
        reply({RecordBuilder().name("nvr").mac("AA:00:00:00:00:01")}, "NVR-ID-0001"));
    if (!port) {
        GTEST_SKIP() << "the worker ended before any reply reached it";
    }
    // A bare 240-byte record: the ID lies past the datagram and reads empty,
    // whatever a longer earlier datagram left in the worker's buffer.
    ASSERT_TRUE(sendUntil(*port, reply({RecordBuilder().name("cam").mac("AA:00:00:00:00:02")}),
                          [&] { return table.Size() == 2; }));
    const auto entries = table.Entries();
    EXPECT_EQ(entries[0].deviceId, "NVR-ID-0001");
    EXPECT_EQ(entries[1].deviceId, "");
    EXPECT_EQ(m_tables->m_basicTable.Size(), 0u);
}

TEST_F(SearchWorkerTest, AnOversizedDatagramEndsTheCollectionKeepingWhatWasStored) {
    SetSearchWindowForTesting(600'000);
    auto& table = m_tables->m_basicTable;
    Started worker;
    const auto port = startListening(
        worker, SearchKind::Basic, [&] { return table.Size() == 1; },
        reply({RecordBuilder().mac("00:00:00:00:00:01")}));
    if (!port) {
        GTEST_SKIP() << "the worker ended before any reply reached it";
    }
    // Larger than the 8192-byte buffer: a failed read, which ends the worker
    // long before its window would.
    std::vector<std::uint8_t> huge;
    for (int i = 0; i < 40; ++i) {
        RecordBuilder().mac("00:00:00:00:01:" + std::to_string(10 + i)).appendTo(huge);
    }
    m_peer.sendTo(*port, huge);
    ASSERT_TRUE(worker.thread.WaitFor(30'000));
    EXPECT_EQ(worker.outcome.get(), SearchOutcome::ReadFailed);
    EXPECT_EQ(table.Size(), 1u);
}

TEST_F(SearchWorkerTest, TheWindowEndsTheWorkerEvenWhenTheTickCounterWraps) {
    // The count wraps about 300 ms from now, inside a 2 s window that starts
    // before the wrap: the worker must neither stop at the wrap nor run on.
    SetTickOffsetForTesting(0u - GetTickCount() - 300);
    SetSearchWindowForTesting(2000);
    auto& table = m_tables->m_basicTable;
    Started worker;
    const auto port = startListening(
        worker, SearchKind::Basic, [&] { return table.Size() == 1; },
        reply({RecordBuilder().mac("00:00:00:00:00:01")}));
    if (!port) {
        GTEST_SKIP() << "the worker ended before any reply reached it";
    }
    while (GetTickCount() > 0x80000000u) {
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_TRUE(sendUntil(*port, reply({RecordBuilder().mac("00:00:00:00:00:02")}), [&] {
        return table.Size() == 2;
    })) << "the worker stopped collecting when the counter wrapped";
    // No stop request: only the window can end it.
    ASSERT_TRUE(worker.thread.WaitFor(30'000)) << "the window never ended";
    EXPECT_EQ(worker.outcome.get(), SearchOutcome::Completed);
}

TEST_F(SearchWorkerTest, AWorkerWhoseStarterLetGoOwnsItsTablesUntilItEnds) {
    SetSearchWindowForTesting(600);
    const std::weak_ptr<SearchTables> watch = m_tables;
    Started worker;
    const auto port = startListening(
        worker, SearchKind::Basic, [&] { return m_tables->m_basicTable.Size() == 1; },
        reply({RecordBuilder().mac("00:00:00:00:00:01")}));
    if (!port) {
        GTEST_SKIP() << "the worker ended before any reply reached it";
    }
    // The window closes while its worker still collects: the handle is
    // closed and the tables let go, and replies keep arriving.
    worker.thread.Close();
    m_tables.reset();
    EXPECT_FALSE(watch.expired());
    for (int i = 0; i < 20; ++i) {
        m_peer.sendTo(*port,
                      reply({RecordBuilder().mac("00:00:00:00:00:0" + std::to_string(i % 10))}));
        std::this_thread::sleep_for(5ms);
    }
    JoinOutstandingWorkerThreads();
    EXPECT_TRUE(watch.expired());
}

}  // namespace
}  // namespace quillon

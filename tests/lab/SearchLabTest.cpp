// The search across real sockets, in the lab: what leaves the workstation,
// where it goes, and what the workers make of what comes back.

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>

#include "LabNetwork.h"
#include "discovery/SearchWorker.h"
#include "net/DeviceRecord.h"
#include "net/FrameHeader.h"
#include "net/UdpTransport.h"
#include "platform/WorkerThread.h"

namespace quillon {
namespace {

using lab::Datagram;
using lab::labValue;
using lab::makeRecord;
using lab::ScriptedDevice;
using Bytes = std::vector<std::uint8_t>;

// Shortens the search window for one test; the real one is kept by the tests
// that are about it.
class ShortWindow {
public:
    explicit ShortWindow(std::uint32_t ms) { SetSearchWindowForTesting(ms); }
    ~ShortWindow() { SetSearchWindowForTesting(SEARCH_WINDOW_MS); }
};

std::vector<DevInfo> search(const std::string& address, SearchKind kind,
                            SearchOutcome* outcome = nullptr) {
    auto tables = std::make_shared<SearchTables>();
    AdapterSlot slot;
    slot.setAddress(address);
    slot.owner = tables;
    const SearchOutcome result = RunSearch(slot, kind);
    if (outcome != nullptr) {
        *outcome = result;
    }
    return (kind == SearchKind::Basic ? tables->m_basicTable : tables->m_extendedTable).Entries();
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

Bytes deviceId(const std::string& text) {
    Bytes id(DEVICE_ID_SIZE, 0);
    std::copy_n(text.begin(), std::min(text.size(), id.size()), id.begin());
    return id;
}

class SearchLab : public ::testing::Test {
protected:
    void SetUp() override { QUILLON_REQUIRE_LAB(); }
    const std::string adapterA = labValue("LAB_ADAPTER_A");
    const std::string adapterB = labValue("LAB_ADAPTER_B");
    ShortWindow window{600};
};

TEST_F(SearchLab, ProbesLeaveFromTheBoundAdapterToTheBroadcastAddress) {
    ScriptedDevice segmentA(labValue("LAB_NS_A"));
    ScriptedDevice segmentB(labValue("LAB_NS_B"));
    ASSERT_TRUE(segmentA.ready() && segmentB.ready());

    search(adapterA, SearchKind::Basic);
    search(adapterA, SearchKind::Extended);

    const std::vector<Datagram> got = segmentA.received();
    ASSERT_EQ(got.size(), 2u);
    const Bytes basic{0x55, 0x55, 0xAA, 0xAA, 0, 0, 0, 0, 0, 0, 0x01, 0x90};
    const Bytes extended{0x55, 0x55, 0xAA, 0xAA, 0, 0, 0, 0, 0, 0, 0x50, 0x90};
    EXPECT_EQ(got[0].bytes, basic);
    EXPECT_EQ(got[1].bytes, extended);
    for (const auto& d : got) {
        EXPECT_EQ(d.sourceAddress, adapterA);
        EXPECT_GE(d.sourcePort, LOCAL_PORT_BASE);
        EXPECT_LT(d.sourcePort, LOCAL_PORT_BASE + LOCAL_PORT_COUNT);
        EXPECT_EQ(d.destination, "255.255.255.255");
    }
    EXPECT_TRUE(segmentB.received().empty()) << "a probe bound to A leaked onto segment B";
}

TEST_F(SearchLab, AdapterWithoutAddressSearchesThroughAnyLocalAddress) {
    ScriptedDevice segmentN(labValue("LAB_NS_N"), [](const Datagram&) {
        return std::vector<Bytes>{
            concat({makeRecord("00:00:00:00:0N:01", "on-n"), deviceId("N1")})};
    });
    ASSERT_TRUE(segmentN.ready());

    const auto found = search(labValue("LAB_ADAPTER_N"), SearchKind::Extended);

    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name, "on-n");
    EXPECT_EQ(found[0].deviceId, "N1");
}

TEST_F(SearchLab, ReplyRulesAcrossRealSockets) {
    // One device answers twice with different data; another reports its MAC
    // in two letter cases; a datagram carries two records and a slot whose
    // magic is wrong; a bare 240-byte reply comes to the extended probe.
    ScriptedDevice segmentA(labValue("LAB_NS_A"), [](const Datagram& probe) {
        Bytes bad = makeRecord("BA:D0:00:00:00:00", "bad magic");
        bad[3] = 0xAB;
        const Bytes id = deviceId("ID-TWICE");
        const bool extended = probe.bytes.size() > 10 && probe.bytes[10] == 0x50;
        if (extended) {
            return std::vector<Bytes>{makeRecord("00:00:00:00:00:0e", "bare")};
        }
        return std::vector<Bytes>{
            makeRecord("00:00:00:00:00:01", "first answer"),
            makeRecord("00:00:00:00:00:01", "second answer"),
            concat({makeRecord("00:00:00:00:00:aa", "lower"), bad,
                    makeRecord("00:00:00:00:00:AA", "upper")}),
        };
    });
    ASSERT_TRUE(segmentA.ready());

    const auto basic = search(adapterA, SearchKind::Basic);
    ASSERT_EQ(basic.size(), 3u);
    EXPECT_EQ(basic[0].mac, "00:00:00:00:00:01");
    EXPECT_EQ(basic[0].name, "second answer");
    EXPECT_EQ(basic[1].mac, "00:00:00:00:00:AA");  // 'A' sorts before 'a'
    EXPECT_EQ(basic[2].mac, "00:00:00:00:00:aa");

    const auto extended = search(adapterA, SearchKind::Extended);
    ASSERT_EQ(extended.size(), 1u);
    EXPECT_EQ(extended[0].name, "bare");
    EXPECT_EQ(extended[0].deviceId, "");
}

TEST_F(SearchLab, TwoSearchesOnOneAdapterInTheSameSecondBothFindEveryDevice) {
    ScriptedDevice segmentA(labValue("LAB_NS_A"), [](const Datagram&) {
        return std::vector<Bytes>{concat(
            {makeRecord("00:00:00:00:00:01", "one"), makeRecord("00:00:00:00:00:02", "two")})};
    });
    ASSERT_TRUE(segmentA.ready());

    auto first =
        std::async(std::launch::async, [&] { return search(adapterA, SearchKind::Basic); });
    auto second =
        std::async(std::launch::async, [&] { return search(adapterA, SearchKind::Basic); });

    EXPECT_EQ(first.get().size(), 2u);
    EXPECT_EQ(second.get().size(), 2u);
    const auto probes = segmentA.received();
    ASSERT_EQ(probes.size(), 2u);
    EXPECT_NE(probes[0].sourcePort, probes[1].sourcePort);
}

TEST_F(SearchLab, AnAddressThatIsNotLocalStoresNothing) {
    ScriptedDevice segmentA(labValue("LAB_NS_A"));
    SearchOutcome outcome{};
    EXPECT_TRUE(search("10.77.9.9", SearchKind::Basic, &outcome).empty());
    EXPECT_EQ(outcome, SearchOutcome::SocketFailed);
    EXPECT_TRUE(segmentA.received().empty());
}

TEST(SearchLabWindow, WithNoDeviceTheWorkerEndsJustAfterItsRealWindow) {
    QUILLON_REQUIRE_LAB();
    SetSearchWindowForTesting(SEARCH_WINDOW_MS);
    auto tables = std::make_shared<SearchTables>();
    AdapterSlot slot;
    slot.setAddress(labValue("LAB_ADAPTER_B"));
    slot.owner = tables;

    const auto start = std::chrono::steady_clock::now();
    WorkerThread worker = WorkerThread::Start([slot] { BasicSearchWorker(slot); });
    ASSERT_TRUE(worker.valid());
    EXPECT_FALSE(worker.WaitFor(1000)) << "the worker must collect for its whole window";
    slot.owner.reset();  // the starter lets go; the worker keeps the tables alive
    ASSERT_TRUE(worker.WaitFor(10000));
    const auto elapsed = std::chrono::steady_clock::now() - start;

    EXPECT_GE(elapsed, std::chrono::milliseconds(SEARCH_WINDOW_MS));
    EXPECT_EQ(tables->m_basicTable.Size(), 0u);
}

TEST(SearchLabWindow, AStopRequestEndsAWorkerWithinASlice) {
    QUILLON_REQUIRE_LAB();
    SetSearchWindowForTesting(SEARCH_WINDOW_MS);
    auto tables = std::make_shared<SearchTables>();
    AdapterSlot slot;
    slot.setAddress(labValue("LAB_ADAPTER_A"));
    slot.owner = tables;
    WorkerThread worker = WorkerThread::Start([slot] { ExtendedSearchWorker(slot); });
    ASSERT_FALSE(worker.WaitFor(200));
    tables->m_stopRequested = true;
    EXPECT_TRUE(worker.WaitFor(1000));
}

}  // namespace
}  // namespace quillon

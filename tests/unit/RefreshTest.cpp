#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "discovery/Refresh.h"
#include "discovery/RefreshGate.h"

namespace quillon {
namespace {

TEST(RefreshGate, RefusesWithinFiveSecondsOfTheLastStart) {
    std::time_t now = 1000;
    RefreshGate gate([&] { return now; });
    EXPECT_EQ(gate.lastRefreshTime(), -1);
    EXPECT_TRUE(gate.TryStart());  // the first always runs
    now = 1004;
    EXPECT_FALSE(gate.TryStart());
    EXPECT_EQ(gate.lastRefreshTime(), 1000);  // a refused refresh isn't a start
    now = 1005;
    EXPECT_TRUE(gate.TryStart());
    EXPECT_EQ(gate.lastRefreshTime(), 1005);
    EXPECT_FALSE(gate.TryStart());  // same second
}

TEST(RefreshGate, ClockSetBackDoesNotLockRefreshesOut) {
    std::time_t now = 50000;
    RefreshGate gate([&] { return now; });
    EXPECT_TRUE(gate.TryStart());
    now = 50000 - 3600;  // an hour back
    EXPECT_TRUE(gate.TryStart());
    now += 2;
    EXPECT_FALSE(gate.TryStart());  // the gate still holds from the new start
}

TEST(RefreshGate, FirstStartAtTimeZeroStillGates) {
    std::time_t now = 0;
    RefreshGate gate([&] { return now; });
    EXPECT_TRUE(gate.TryStart());
    EXPECT_FALSE(gate.TryStart());
}

DevInfo device(const std::string& mac, const std::string& name, const std::string& id = {}) {
    DevInfo entry;
    entry.mac = mac;
    entry.name = name;
    entry.deviceId = id;
    return entry;
}

// Workers that store fixed entries instead of searching: nothing is sent.
struct FakeSearch {
    std::mutex mutex;
    std::vector<std::pair<std::string, SearchKind>> started;
    std::vector<AdapterAddress> adapters;

    RefreshHooks hooks() {
        RefreshHooks hooks;
        hooks.listAdapters = [this] { return adapters; };
        hooks.runWorker = [this](AdapterSlot slot, SearchKind kind) {
            {
                std::lock_guard lock(mutex);
                started.emplace_back(std::string(slot.addressText()), kind);
            }
            auto& table =
                kind == SearchKind::Basic ? slot.owner->m_basicTable : slot.owner->m_extendedTable;
            if (slot.addressText() == "10.0.0.1") {
                table.Store(kind == SearchKind::Basic ? device("cc", "both, basic reply")
                                                      : device("cc", "both", "ID-C"));
                if (kind == SearchKind::Basic) {
                    table.Store(device("aa", "basic only"));
                }
            } else if (kind == SearchKind::Extended) {
                table.Store(device("bb", "extended only", "ID-B"));
                table.Store(device("BB", "upper-case twin", "ID-b"));
            }
        };
        return hooks;
    }
};

TEST(SearchAllAdapters, MergesExtendedOverBasicInMacOrder) {
    FakeSearch fake;
    fake.adapters = {{"qa0", 2, "10.0.0.1"}, {"qn0", 3, "0.0.0.0"}};
    auto tables = std::make_shared<SearchTables>();
    const auto devices = SearchAllAdapters(tables, fake.hooks());

    ASSERT_EQ(devices.size(), 4u);
    EXPECT_EQ(devices[0].mac, "BB");  // bytes: 'B' < 'a'
    EXPECT_EQ(devices[1].mac, "aa");
    EXPECT_EQ(devices[1].deviceId, "");
    EXPECT_EQ(devices[2].mac, "bb");
    EXPECT_EQ(devices[3].mac, "cc");
    EXPECT_EQ(devices[3].name, "both");  // the extended entry, whole
    EXPECT_EQ(devices[3].deviceId, "ID-C");

    // Basic searches first, only where there is an address; then extended on all.
    const std::vector<std::pair<std::string, SearchKind>> expected{
        {"10.0.0.1", SearchKind::Basic},
        {"10.0.0.1", SearchKind::Extended},
        {"0.0.0.0", SearchKind::Extended}};
    EXPECT_EQ(fake.started, expected);
}

TEST(SearchAllAdapters, NoAdaptersSearchesNothing) {
    FakeSearch fake;
    auto tables = std::make_shared<SearchTables>();
    EXPECT_TRUE(SearchAllAdapters(tables, fake.hooks()).empty());
    EXPECT_TRUE(fake.started.empty());
}

TEST(SearchAllAdapters, SearchesOnlyTheFirst32Adapters) {
    FakeSearch fake;
    for (unsigned i = 0; i < 40; ++i) {
        fake.adapters.push_back({"if" + std::to_string(i), i, "192.0.2." + std::to_string(i)});
    }
    auto tables = std::make_shared<SearchTables>();
    SearchAllAdapters(tables, fake.hooks());
    ASSERT_EQ(fake.started.size(), 64u);
    EXPECT_EQ(fake.started[31].first, "192.0.2.31");
    EXPECT_EQ(fake.started[63].first, "192.0.2.31");
}

TEST(SearchAllAdapters, WaitsBoundedAndLeavesSlowWorkersRunning) {
    FakeSearch fake;
    fake.adapters = {{"qa0", 2, "10.0.0.1"}};
    std::atomic<bool> release{false};
    std::atomic<int> ended{0};
    RefreshHooks hooks = fake.hooks();
    hooks.runWorker = [&](AdapterSlot slot, SearchKind) {
        while (!release.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        slot.owner->m_basicTable.Store(device("late", "too late"));
    };
    hooks.workerEnded = [&] { ++ended; };
    std::vector<std::uint32_t> waits;
    hooks.waitForWorker = [&](WorkerThread& thread, std::uint32_t ms) {
        waits.push_back(ms);
        EXPECT_FALSE(thread.WaitFor(1));
    };
    auto tables = std::make_shared<SearchTables>();
    EXPECT_TRUE(SearchAllAdapters(tables, hooks).empty());
    EXPECT_EQ(waits, (std::vector<std::uint32_t>{REFRESH_WAIT_MS, REFRESH_WAIT_MS}));

    // The workers outlived the refresh; they still have their tables.
    release = true;
    JoinOutstandingWorkerThreads();
    EXPECT_EQ(ended.load(), 2);
    EXPECT_EQ(tables->m_basicTable.Size(), 1u);
}

}  // namespace
}  // namespace quillon

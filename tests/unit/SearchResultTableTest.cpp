#include "discovery/SearchResultTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace quillon {
namespace {

DevInfo entry(std::string mac, std::string name = "cam", std::string deviceId = "") {
    DevInfo d;
    d.mac = std::move(mac);
    d.name = std::move(name);
    d.deviceId = std::move(deviceId);
    return d;
}

std::vector<std::string> keysOf(const SearchResultTable& table) {
    std::vector<std::string> keys;
    for (const auto& d : table.Entries()) {
        keys.push_back(d.mac);
    }
    return keys;
}

TEST(SearchResultTable, OrdersKeysAsUnsignedBytes) {
    SearchResultTable table;
    for (const char* mac : {"z", "\xE4", "00:1A:2B:3C:4D:5E", "a", "Z", "", "00:1A:2B:3C:4D:5"}) {
        table.Store(entry(mac));
    }
    // A key with a high-bit byte sorts after every ASCII key; with signed
    // chars it would come first and the list order would change.
    EXPECT_EQ(keysOf(table), (std::vector<std::string>{"", "00:1A:2B:3C:4D:5", "00:1A:2B:3C:4D:5E",
                                                       "Z", "a", "z", "\xE4"}));
}

TEST(SearchResultTable, KeysDifferingInCaseAreTwoDevices) {
    SearchResultTable table;
    table.Store(entry("00:1a:2b:3c:4d:5e", "lower"));
    table.Store(entry("00:1A:2B:3C:4D:5E", "upper"));
    ASSERT_EQ(table.Size(), 2u);
    const auto entries = table.Entries();
    EXPECT_EQ(entries[0].name, "upper");
    EXPECT_EQ(entries[1].name, "lower");
}

TEST(SearchResultTable, StoringAnExistingKeyReplacesTheWholeEntry) {
    SearchResultTable table;
    auto first = entry("00:00:00:00:00:01", "first", "ID-1");
    first.dhcpOn = true;
    first.webPort = "8080";
    table.Store(first);
    table.Store(entry("00:00:00:00:00:02"));
    const auto later = entry("00:00:00:00:00:01", "later");
    table.Store(later);

    const auto entries = table.Entries();
    ASSERT_EQ(entries.size(), 2u);
    // Nothing of the earlier entry survives: no merging of fields.
    EXPECT_EQ(entries[0], later);
}

TEST(SearchResultTable, ClearEmptiesAndTheTableFillsAgain) {
    SearchResultTable table;
    table.Store(entry("a"));
    table.Store(entry("b"));
    table.Clear();
    EXPECT_EQ(table.Size(), 0u);
    EXPECT_TRUE(table.Entries().empty());
    table.Store(entry("b"));
    EXPECT_EQ(keysOf(table), (std::vector<std::string>{"b"}));
}

TEST(SearchResultTable, StoresClearsAndReadsFromManyThreadsExcludeEachOther) {
    // Workers of several adapters store while the refresh clears and merges:
    // every read must see a consistent, ordered table with whole entries.
    SearchResultTable table;
    constexpr int WRITERS = 4;
    constexpr int STORES = 2000;
    std::atomic<int> writersLeft{WRITERS};
    std::atomic<int> badReads{0};
    {
        std::vector<std::jthread> threads;
        for (int w = 0; w < WRITERS; ++w) {
            threads.emplace_back([&, w] {
                for (int i = 0; i < STORES; ++i) {
                    // Half the keys are shared between writers, half their own.
                    const int key = i % 2 == 0 ? i % 64 : 1000 * (w + 1) + i;
                    const std::string mac = "mac-" + std::to_string(key);
                    table.Store(entry(mac, mac + "/name", mac + "/id"));
                }
                --writersLeft;
            });
        }
        threads.emplace_back([&] {
            while (writersLeft > 0) {
                table.Clear();
                std::this_thread::yield();
            }
        });
        for (int r = 0; r < 2; ++r) {
            threads.emplace_back([&] {
                while (writersLeft > 0) {
                    const auto entries = table.Entries();
                    const bool ordered = std::is_sorted(
                        entries.begin(), entries.end(),
                        [](const DevInfo& a, const DevInfo& b) { return a.mac < b.mac; });
                    const bool unique = std::adjacent_find(entries.begin(), entries.end(),
                                                           [](const DevInfo& a, const DevInfo& b) {
                                                               return a.mac == b.mac;
                                                           }) == entries.end();
                    const bool whole = std::all_of(entries.begin(), entries.end(), [](auto& d) {
                        return d.name == d.mac + "/name" && d.deviceId == d.mac + "/id";
                    });
                    if (!ordered || !unique || !whole) {
                        ++badReads;
                    }
                    (void)table.Size();
                }
            });
        }
    }
    EXPECT_EQ(badReads, 0);

    // With the clearer gone, the table holds exactly the distinct keys stored.
    table.Clear();
    for (int i = 0; i < 100; ++i) {
        table.Store(entry(std::to_string(i % 40)));
    }
    EXPECT_EQ(table.Size(), 40u);
}

}  // namespace
}  // namespace quillon

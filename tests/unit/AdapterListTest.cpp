#include "discovery/AdapterList.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace quillon {
namespace {

std::vector<AdapterAddress> adapters(std::size_t count) {
    std::vector<AdapterAddress> list;
    for (std::size_t i = 0; i < count; ++i) {
        list.push_back({"eth" + std::to_string(i), static_cast<unsigned>(i + 2),
                        "10.0." + std::to_string(i) + ".1"});
    }
    return list;
}

TEST(ListAdapterAddresses, CountsAtMostThirtyTwoWithoutSlots) {
    struct Case {
        std::size_t adapters, counted;
    };
    for (const auto& c : {Case{0, 0}, Case{1, 1}, Case{32, 32}, Case{33, 32}, Case{40, 32}}) {
        EXPECT_EQ(ListAdapterAddresses(adapters(c.adapters), nullptr, 0), c.counted) << c.adapters;
        // The count argument means nothing without slots.
        EXPECT_EQ(ListAdapterAddresses(adapters(c.adapters), nullptr, 5), c.counted) << c.adapters;
    }
}

TEST(ListAdapterAddresses, FillsAtMostTheGivenSlotsInOrder) {
    struct Case {
        std::size_t adapters, slots, listed;
    };
    // With slots the caller's count is the limit, even past 32.
    const Case cases[] = {{0, 4, 0}, {3, 8, 3}, {8, 3, 3}, {40, 40, 40}, {5, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.adapters << " adapters, " << c.slots << " slots");
        std::vector<AdapterSlot> slots(c.slots + 1);
        slots.back().setAddress("sentinel");
        const auto listed = ListAdapterAddresses(adapters(c.adapters), slots.data(), c.slots);
        ASSERT_EQ(listed, c.listed);
        for (std::size_t i = 0; i < listed; ++i) {
            EXPECT_EQ(slots[i].addressText(), "10.0." + std::to_string(i) + ".1");
        }
        for (std::size_t i = listed; i < c.slots; ++i) {
            EXPECT_EQ(slots[i].addressText(), "");
        }
        EXPECT_EQ(slots.back().addressText(), "sentinel");
    }
}

TEST(ListAdapterAddresses, CutsAnAddressTextToNineteenCharacters) {
    std::vector<AdapterAddress> list{
        {"a", 2, "0.0.0.0"}, {"b", 3, std::string(19, '1')}, {"c", 4, "123.123.123.123.12345"}};
    std::vector<AdapterSlot> slots(3);
    ASSERT_EQ(ListAdapterAddresses(list, slots.data(), slots.size()), 3u);
    EXPECT_EQ(slots[0].addressText(), "0.0.0.0");
    EXPECT_EQ(slots[1].addressText(), std::string(19, '1'));
    EXPECT_EQ(slots[2].addressText(), "123.123.123.123.123");
    for (const auto& slot : slots) {
        EXPECT_EQ(slot.address.back(), '\0');
    }
}

TEST(AdapterSlot, ANewAddressLeavesNoTailOfTheOldOne) {
    AdapterSlot slot;
    EXPECT_EQ(slot.addressText(), "");
    slot.setAddress("192.168.100.200");
    slot.setAddress("10.0.0.1");
    EXPECT_EQ(slot.addressText(), "10.0.0.1");
    EXPECT_TRUE(std::all_of(slot.address.begin() + 8, slot.address.end(),
                            [](char c) { return c == '\0'; }));
}

TEST(QueryAdapterAddresses, ListsNoLoopbackAndOneReadableAddressEach) {
    // Reads this machine's interfaces; nothing is sent.
    const auto list = QueryAdapterAddresses();
    for (const auto& adapter : list) {
        SCOPED_TRACE(adapter.name);
        EXPECT_NE(adapter.name, "lo");
        in_addr parsed{};
        EXPECT_EQ(::inet_pton(AF_INET, adapter.address.c_str(), &parsed), 1) << adapter.address;
        EXPECT_NE(adapter.address, "127.0.0.1");
    }
    EXPECT_TRUE(std::is_sorted(list.begin(), list.end(),
                               [](const auto& a, const auto& b) { return a.index < b.index; }));
    for (std::size_t i = 1; i < list.size(); ++i) {
        EXPECT_NE(list[i].name, list[i - 1].name);
    }
}

}  // namespace
}  // namespace quillon

#pragma once

// The local network adapters a refresh searches: every interface but the
// loopback, in the kernel's index order, each with its first IPv4 address,
// or "0.0.0.0" when it has none.

#include <cstddef>
#include <string>
#include <vector>

#include "discovery/SearchWorker.h"

namespace quillon {

inline constexpr std::size_t MAX_ADAPTERS = 32;

struct AdapterAddress {
    std::string name;
    unsigned index = 0;
    std::string address;
};

// Asks the kernel; an empty list when it will not say.
std::vector<AdapterAddress> QueryAdapterAddresses();

// Without slots, counts up to 32 adapters; with slots, fills at most count of
// them in order with each adapter's address text. Returns how many it listed.
std::size_t ListAdapterAddresses(AdapterSlot* slots, std::size_t count);

// The same over a given adapter list (for testing, and for the above).
std::size_t ListAdapterAddresses(const std::vector<AdapterAddress>& adapters, AdapterSlot* slots,
                                 std::size_t count);

}  // namespace quillon

#include "discovery/AdapterList.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>
#include <memory>

namespace quillon {

std::vector<AdapterAddress> QueryAdapterAddresses() {
    ifaddrs* raw = nullptr;
    if (::getifaddrs(&raw) != 0) {
        return {};
    }
    const std::unique_ptr<ifaddrs, decltype(&::freeifaddrs)> list(raw, &::freeifaddrs);

    std::vector<AdapterAddress> adapters;
    for (const ifaddrs* ifa = raw; ifa != nullptr; ifa = ifa->ifa_next) {
        if (ifa->ifa_name == nullptr || (ifa->ifa_flags & IFF_LOOPBACK) != 0) {
            continue;
        }
        auto it = std::find_if(adapters.begin(), adapters.end(),
                               [&](const AdapterAddress& a) { return a.name == ifa->ifa_name; });
        if (it == adapters.end()) {
            adapters.push_back({ifa->ifa_name, ::if_nametoindex(ifa->ifa_name), "0.0.0.0"});
            it = std::prev(adapters.end());
        }
        // The kernel lists an interface's primary address first; keep that one.
        if (ifa->ifa_addr != nullptr && ifa->ifa_addr->sa_family == AF_INET &&
            it->address == "0.0.0.0") {
            const auto* in = reinterpret_cast<const sockaddr_in*>(ifa->ifa_addr);
            char text[INET_ADDRSTRLEN] = {};
            if (::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) != nullptr) {
                it->address = text;
            }
        }
    }
    std::stable_sort(
        adapters.begin(), adapters.end(),
        [](const AdapterAddress& a, const AdapterAddress& b) { return a.index < b.index; });
    return adapters;
}

std::size_t ListAdapterAddresses(const std::vector<AdapterAddress>& adapters, AdapterSlot* slots,
                                 std::size_t count) {
    const std::size_t limit = slots == nullptr ? MAX_ADAPTERS : count;
    std::size_t listed = 0;
    for (const auto& adapter : adapters) {
        if (listed >= limit) {
            break;
        }
        if (slots != nullptr) {
            slots[listed].setAddress(adapter.address);
        }
        ++listed;
    }
    return listed;
}

std::size_t ListAdapterAddresses(AdapterSlot* slots, std::size_t count) {
    return ListAdapterAddresses(QueryAdapterAddresses(), slots, count);
}

}  // namespace quillon

// Filling a search result table: a thousand devices answering one probe.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "discovery/SearchResultTable.h"

namespace {

using namespace quillon;

std::vector<DevInfo> distinctDevices(int count) {
    std::vector<DevInfo> devices(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        char mac[20];
        std::snprintf(mac, sizeof mac, "00:1A:2B:3C:%02X:%02X", (i >> 8) & 0xFF, i & 0xFF);
        auto& d = devices[static_cast<std::size_t>(i)];
        d.mac = mac;
        d.name = "Warehouse camera, north gate";
        d.ip = "192.168.1.64";
        d.swVersion = "V4.2.1 build 180412";
        d.deviceId = "NVR0123456789ABC";
    }
    return devices;
}

void BM_Store1000DistinctMacs(benchmark::State& state) {
    const auto devices = distinctDevices(1000);
    for (auto _ : state) {
        SearchResultTable table;
        for (const auto& d : devices) {
            table.Store(d);
        }
        benchmark::DoNotOptimize(table.Size());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(devices.size()));
}
BENCHMARK(BM_Store1000DistinctMacs);

}  // namespace

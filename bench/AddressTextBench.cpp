// The address conversions the WiFi page runs over its settings block.

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>

#include "net/AddressText.h"

namespace {

using namespace quillon;

void BM_TextToBytesIpv4(benchmark::State& state) {
    std::array<std::uint8_t, 4> out{};
    for (auto _ : state) {
        TextToBytes(out, 4, "192.168.100.254");
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TextToBytesIpv4);

void BM_TextToBytesMac(benchmark::State& state) {
    std::array<std::uint8_t, 6> out{};
    for (auto _ : state) {
        TextToBytes(out, 6, "00:1a:2B:3c:4D:5e");
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TextToBytesMac);

void BM_BytesToTextIpv4(benchmark::State& state) {
    const std::array<std::uint8_t, 4> in{192, 168, 100, 254};
    for (auto _ : state) {
        benchmark::DoNotOptimize(BytesToText(in, 4));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BytesToTextIpv4);

void BM_BytesToTextMac(benchmark::State& state) {
    const std::array<std::uint8_t, 6> in{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    for (auto _ : state) {
        benchmark::DoNotOptimize(BytesToText(in, 6));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BytesToTextMac);

}  // namespace

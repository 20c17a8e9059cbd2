#include "platform/Tick.h"

#include <atomic>
#include <chrono>

namespace quillon {

namespace {
std::atomic<std::uint32_t> g_tickOffset{0};
}

std::uint32_t GetTickCount() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
    return static_cast<std::uint32_t>(ms) + g_tickOffset.load(std::memory_order_relaxed);
}

void SetTickOffsetForTesting(std::uint32_t offset) {
    g_tickOffset.store(offset, std::memory_order_relaxed);
}

}  // namespace quillon

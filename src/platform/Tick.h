#pragma once

#include <cstdint>

namespace quillon {

// A 32-bit millisecond counter like the one the protocol's windows were
// designed around: it wraps after about 49.7 days, so elapsed time is always
// taken with TickDiff, never by comparing counts.
std::uint32_t GetTickCount();

// Milliseconds from start to now, correct across one wrap of the counter.
inline std::uint32_t TickDiff(std::uint32_t now, std::uint32_t start) {
    return now - start;  // unsigned arithmetic wraps by definition
}

// Shifts every later GetTickCount() by offset, so tests can run a window
// across the counter's wrap (for testing).
void SetTickOffsetForTesting(std::uint32_t offset);

}  // namespace quillon

#pragma once

// The rate limit of a refresh: a refresh that starts within 5 seconds of the
// last one's start is refused, silently.

#include <cstdint>
#include <ctime>
#include <functional>

namespace quillon {

inline constexpr double REFRESH_MIN_INTERVAL_S = 5.0;

class RefreshGate {
public:
    using Clock = std::function<std::time_t()>;

    // Reads the wall clock through clock; std::time when none is given.
    explicit RefreshGate(Clock clock = {});

    // True when a refresh may start now, which is then noted as the last
    // start. The first call always passes. Refused only while
    // 0 <= now - last < 5 s: a wall clock set back must not lock refreshes
    // out until it has caught up with the stored start again.
    bool TryStart();

    // Start of the last refresh that ran, in seconds; -1 before the first.
    std::int64_t lastRefreshTime() const { return m_lastRefreshTime; }

    // Replaces the clock (for testing).
    void SetClockForTesting(Clock clock);

private:
    Clock m_clock;
    std::int64_t m_lastRefreshTime = -1;
};

}  // namespace quillon

#include "discovery/RefreshGate.h"

#include <utility>

namespace quillon {

namespace {
std::time_t systemClock() {
    return std::time(nullptr);
}
}  // namespace

RefreshGate::RefreshGate(Clock clock) {
    SetClockForTesting(std::move(clock));
}

void RefreshGate::SetClockForTesting(Clock clock) {
    m_clock = clock ? std::move(clock) : Clock(systemClock);
}

bool RefreshGate::TryStart() {
    const std::time_t now = m_clock();
    if (m_lastRefreshTime != -1) {
        const double since = std::difftime(now, static_cast<std::time_t>(m_lastRefreshTime));
        if (since >= 0.0 && since < REFRESH_MIN_INTERVAL_S) {
            return false;
        }
    }
    m_lastRefreshTime = static_cast<std::int64_t>(now);
    return true;
}

}  // namespace quillon

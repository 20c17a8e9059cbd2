#pragma once

// The search half of a refresh, shared by the window and the command line:
// list the adapters, run both searches on each, and merge what they found
// into one entry per MAC text. How the caller waits for each worker is its
// own business (the window keeps repainting, the command line just blocks).

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "discovery/AdapterList.h"
#include "discovery/DevInfo.h"
#include "discovery/SearchWorker.h"
#include "platform/WorkerThread.h"

namespace quillon {

// The longest a refresh waits for any one worker; the worker itself goes on
// collecting for its whole window.
inline constexpr std::uint32_t REFRESH_WAIT_MS = 1000;

struct RefreshHooks {
    // The adapters to search: the machine's own when empty.
    std::function<std::vector<AdapterAddress>()> listAdapters;
    // The body of one worker thread: BasicSearchWorker or ExtendedSearchWorker
    // when empty (for testing).
    std::function<void(AdapterSlot, SearchKind)> runWorker;
    // Called on a worker's own thread as its last act. It may run long after
    // the refresh has returned, so it must own whatever it touches.
    std::function<void()> workerEnded;
    // Waits for one started worker, at most ms milliseconds; WaitFor when
    // empty. The handle is closed right after, whether or not it has ended.
    std::function<void(WorkerThread&, std::uint32_t ms)> waitForWorker;
};

// Searches at most 32 adapters: a basic search on every adapter that has an
// address, then an extended search on every adapter, one worker at a time,
// each waited for at most REFRESH_WAIT_MS. Returns the extended entries
// merged over the basic ones, in ascending MAC order. The caller clears the
// tables before; workers still running afterwards store into them unseen.
std::vector<DevInfo> SearchAllAdapters(const std::shared_ptr<SearchTables>& tables,
                                       const RefreshHooks& hooks = {});

}  // namespace quillon

#pragma once

// Waits for a worker thread a bounded time while the window's event loop
// keeps turning: the window repaints and posted messages are handled, but no
// keyboard or mouse input reaches the program until the wait ends. The wait
// ends at the deadline or as soon as the worker has ended, without polling.

#include <QEventLoop>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/WorkerThread.h"

namespace quillon {

class WorkerEndWaiter {
public:
    WorkerEndWaiter();

    // For the worker to call as its last act, on its own thread. Safe to call
    // after the waiter is gone.
    std::function<void()> endNotifier() const;

    // Returns when thread has ended or ms milliseconds have passed. Only
    // the events flags allow are handled meanwhile.
    void wait(WorkerThread& thread, std::uint32_t ms,
              QEventLoop::ProcessEventsFlags flags = QEventLoop::ExcludeUserInputEvents);

private:
    struct State;
    std::shared_ptr<State> m_state;
};

}  // namespace quillon

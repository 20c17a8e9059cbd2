#include "ui/main/WorkerEndWaiter.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QTimer>
#include <chrono>
#include <mutex>

namespace quillon {

struct WorkerEndWaiter::State {
    std::mutex mutex;
    QEventLoop* loop = nullptr;  // set only while a wait runs it
};

WorkerEndWaiter::WorkerEndWaiter() : m_state(std::make_shared<State>()) {}

std::function<void()> WorkerEndWaiter::endNotifier() const {
    return [state = m_state] {
        std::lock_guard lock(state->mutex);
        if (state->loop != nullptr) {
            // A queued call is a posted event: safe from any thread, and
            // dropped by Qt if the loop is gone before it is delivered.
            QMetaObject::invokeMethod(state->loop, &QEventLoop::quit, Qt::QueuedConnection);
        }
    };
}

void WorkerEndWaiter::wait(WorkerThread& thread, std::uint32_t ms,
                           QEventLoop::ProcessEventsFlags flags) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (!thread.WaitFor(0)) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return;
        }
        QEventLoop loop;
        QTimer deadlineTimer;
        deadlineTimer.setSingleShot(true);
        deadlineTimer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&deadlineTimer, &QTimer::timeout, &loop, &QEventLoop::quit);
        deadlineTimer.start(static_cast<int>(left));
        {
            std::lock_guard lock(m_state->mutex);
            m_state->loop = &loop;
        }
        // Another worker ending (one whose wait already timed out) also wakes
        // the loop; the check above sorts that out. Checking again after the
        // loop is registered closes the gap in which this one could have
        // ended unnoticed.
        if (!thread.WaitFor(0)) {
            loop.exec(flags);
        }
        std::lock_guard lock(m_state->mutex);
        m_state->loop = nullptr;
    }
}

}  // namespace quillon

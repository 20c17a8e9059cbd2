#include "ui/config/WifiWorker.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <memory>

#include "ui/main/WindowMessageEvent.h"

namespace quillon {

WifiWorker::WifiWorker(QObject* uiContext, QObject* busyTarget)
    : m_uiContext(uiContext), m_busyTarget(busyTarget) {}

void WifiWorker::postBusy(int busy) const {
    // Called with m_mutex held: the window can't be going while we post.
    if (m_busyTarget != nullptr) {
        QCoreApplication::postEvent(m_busyTarget, new WindowMessageEvent(WM_SET_BUSY, busy));
    }
}

void WifiWorker::WifiWorkerLoop(const JobRunner& runJob) {
    for (;;) {
        int job = 0;
        {
            std::unique_lock lock(m_mutex);
            if (m_abandoned) {
                return;
            }
            m_currentJob = 0;
            m_wake.wait(lock, [this] { return m_abandoned || !m_queue.empty(); });
            if (m_abandoned) {
                return;
            }
            const auto [message, wParam] = m_queue.front();
            m_queue.pop_front();
            if (message != WM_WIFI_JOB) {
                continue;
            }
            m_currentJob = job = wParam;
            if (job == JOB_QUIT) {
                return;
            }
            postBusy(1);
        }
        runJob(*this, job);
        std::lock_guard lock(m_mutex);
        if (m_abandoned) {
            return;  // Stop has ended the busy state already
        }
        // Idle as the "idle" goes out: a Stop in between must not end the
        // busy state a second time, taking a count that belongs to another.
        m_currentJob = 0;
        postBusy(0);
    }
}

void WifiWorker::PostThreadMessage(unsigned message, int wParam) {
    std::lock_guard lock(m_mutex);
    if (m_stopped) {
        return;
    }
    m_queue.emplace_back(message, wParam);
    m_wake.notify_all();
}

int WifiWorker::currentJob() const {
    std::lock_guard lock(m_mutex);
    return m_currentJob;
}

bool WifiWorker::busy() const {
    std::lock_guard lock(m_mutex);
    return m_currentJob > 0 || !m_queue.empty();
}

bool WifiWorker::abandoned() const {
    std::lock_guard lock(m_mutex);
    return m_abandoned;
}

bool WifiWorker::onUi(std::function<void()> fn) {
    struct Call {
        bool done = false;
    };
    auto call = std::make_shared<Call>();
    std::unique_lock lock(m_mutex);
    if (m_abandoned) {
        return false;
    }
    // Posted under the lock: Stop, which comes before the page goes, can't
    // slip in between the check and the post. Qt drops the call if the page
    // is gone before it is delivered; Stop has woken us by then.
    QMetaObject::invokeMethod(
        m_uiContext,
        [self = shared_from_this(), call, fn = std::move(fn)] {
            {
                std::lock_guard uiLock(self->m_mutex);
                if (self->m_abandoned) {
                    return;
                }
            }
            fn();
            std::lock_guard uiLock(self->m_mutex);
            call->done = true;
            self->m_wake.notify_all();
        },
        Qt::QueuedConnection);
    m_wake.wait(lock, [&] { return call->done || m_abandoned; });
    return !m_abandoned;
}

void WifiWorker::Stop(WorkerThread& thread, std::uint32_t abandonWaitMs) {
    {
        std::lock_guard lock(m_mutex);
        if (m_stopped) {
            return;
        }
        m_stopped = true;
        if (m_currentJob <= 0) {
            // Jobs not yet begun would only keep the closing dialog waiting.
            m_queue.clear();
            m_queue.emplace_back(WM_WIFI_JOB, JOB_QUIT);
            m_wake.notify_all();
        } else {
            m_abandoned = true;
            m_cancel.cancel();
            // The job's own "idle" will never come.
            postBusy(0);
            m_wake.notify_all();
        }
    }
    if (!thread.valid()) {
        return;
    }
    if (!abandoned()) {
        while (!thread.WaitFor(60'000)) {
        }
        return;
    }
    thread.WaitFor(abandonWaitMs);
}

}  // namespace quillon

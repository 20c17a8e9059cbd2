#pragma once

// The WiFi page's worker: a queue of jobs run one after another on the
// page's own thread, with the main window told busy around each. The worker
// never touches a widget: whatever a job must change on the page, or show,
// it hands to the window's thread through onUi and waits for it there.
//
// Stop ends it either way: a waiting worker is told to quit and waited for;
// a busy one is abandoned, its exchange cancelled so the channel is free at
// once, and from then on nothing it asked for runs and it asks for nothing
// more. This object is shared with the thread, so an abandoned worker runs
// on to its end on state that is still there.

#include <QObject>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "net/CancelToken.h"
#include "platform/WorkerThread.h"

namespace quillon {

inline constexpr unsigned WM_WIFI_JOB = 1135;  // WM_USER + 111
inline constexpr int JOB_QUIT = 0;
inline constexpr int JOB_REFRESH_LIST = 1;
inline constexpr int JOB_JOIN = 2;
inline constexpr int JOB_LOAD = 3;

class WifiWorker : public std::enable_shared_from_this<WifiWorker> {
public:
    using JobRunner = std::function<void(WifiWorker& worker, int job)>;

    // uiContext: the object whose thread runs what onUi is given (the page);
    // busyTarget: the window WM_SET_BUSY goes to, or null.
    WifiWorker(QObject* uiContext, QObject* busyTarget);
    WifiWorker(const WifiWorker&) = delete;
    WifiWorker& operator=(const WifiWorker&) = delete;

    // The thread's whole life: waits for messages and runs each job with
    // runJob until JOB_QUIT or abandonment.
    void WifiWorkerLoop(const JobRunner& runJob);

    // Queues a message; anything but WM_WIFI_JOB is dropped by the loop.
    // Accepted from the moment the worker exists, from any thread.
    void PostThreadMessage(unsigned message, int wParam);

    // -1 before the worker first waits, 0 while it waits, else the job.
    int currentJob() const;
    // A job runs or waits in the queue.
    bool busy() const;
    bool abandoned() const;

    // For jobs: runs fn on the window's thread and returns once it has run,
    // true; false, with fn not run (or cut short while it showed a box), as
    // soon as the worker is abandoned. A job stops when this says false.
    bool onUi(std::function<void()> fn);

    // Ends the exchange of the job in progress when the worker is abandoned.
    const CancelToken* cancelToken() const { return &m_cancel; }

    // From the window's thread, once: quits a waiting worker (jobs still
    // queued are dropped) and waits for thread to end; abandons a busy one,
    // ends its busy state for it and gives it abandonWaitMs to end.
    void Stop(WorkerThread& thread, std::uint32_t abandonWaitMs);

private:
    void postBusy(int busy) const;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::pair<unsigned, int>> m_queue;
    int m_currentJob = -1;
    bool m_abandoned = false;
    bool m_stopped = false;
    CancelToken m_cancel;
    QObject* const m_uiContext;
    QObject* const m_busyTarget;
};

}  // namespace quillon

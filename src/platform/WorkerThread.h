#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

namespace quillon {

// A thread with a bounded wait, standing in for a thread handle: the starter
// waits a given time and then closes the handle whether or not the thread has
// ended. A thread that outlives its handle keeps running on what it owns (it
// must hold shared ownership of anything it writes to) and is joined when the
// process ends, so no thread is ever left unjoined.
class WorkerThread {
public:
    WorkerThread() = default;
    ~WorkerThread();
    WorkerThread(WorkerThread&&) noexcept = default;
    WorkerThread& operator=(WorkerThread&& other) noexcept;
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Starts body on a new thread. The handle is empty when the platform could
    // not create the thread; body then never runs.
    static WorkerThread Start(std::function<void()> body);

    bool valid() const { return m_thread.joinable(); }

    // Waits at most ms milliseconds; true when the thread has ended.
    bool WaitFor(std::uint32_t ms);

    // Closes the handle without waiting; the thread runs on to its end.
    void Close();

private:
    struct State;
    std::thread m_thread;
    std::shared_ptr<State> m_state;
};

// Joins every thread whose handle was closed while it still ran. Called once
// at process end (and by the destructor of the registry that holds them).
void JoinOutstandingWorkerThreads();

}  // namespace quillon

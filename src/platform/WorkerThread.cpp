#include "platform/WorkerThread.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <utility>
#include <vector>

namespace quillon {

struct WorkerThread::State {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
};

namespace {

// Threads whose handles were closed early. Finished ones are joined whenever
// another is added, so the list stays as short as the set still running.
class ClosedThreads {
public:
    ~ClosedThreads() { joinAll(); }

    template <typename State>
    void add(std::thread thread, std::shared_ptr<State> state) {
        std::vector<std::thread> finished;
        {
            std::lock_guard lock(m_mutex);
            for (auto it = m_entries.begin(); it != m_entries.end();) {
                if (it->isDone()) {
                    finished.push_back(std::move(it->thread));
                    it = m_entries.erase(it);
                } else {
                    ++it;
                }
            }
            m_entries.push_back(Entry{std::move(thread), [state] {
                                          std::lock_guard stateLock(state->mutex);
                                          return state->done;
                                      }});
        }
        for (auto& t : finished) {
            t.join();
        }
    }

    void joinAll() {
        std::vector<Entry> entries;
        {
            std::lock_guard lock(m_mutex);
            entries.swap(m_entries);
        }
        for (auto& e : entries) {
            e.thread.join();
        }
    }

private:
    struct Entry {
        std::thread thread;
        std::function<bool()> isDone;
    };
    std::mutex m_mutex;
    std::vector<Entry> m_entries;
};

ClosedThreads& closedThreads() {
    static ClosedThreads registry;
    return registry;
}

}  // namespace

WorkerThread::~WorkerThread() {
    Close();
}

WorkerThread& WorkerThread::operator=(WorkerThread&& other) noexcept {
    if (this != &other) {
        Close();
        m_thread = std::move(other.m_thread);
        m_state = std::move(other.m_state);
    }
    return *this;
}

WorkerThread WorkerThread::Start(std::function<void()> body) {
    closedThreads();  // built before any thread it may have to join
    WorkerThread handle;
    auto state = std::make_shared<State>();
    try {
        handle.m_thread = std::thread([state, body = std::move(body)] {
            body();
            std::lock_guard lock(state->mutex);
            state->done = true;
            state->ended.notify_all();
        });
    } catch (const std::system_error&) {
        return WorkerThread{};
    }
    handle.m_state = std::move(state);
    return handle;
}

bool WorkerThread::WaitFor(std::uint32_t ms) {
    if (!m_state) {
        return true;
    }
    std::unique_lock lock(m_state->mutex);
    return m_state->ended.wait_for(lock, std::chrono::milliseconds(ms),
                                   [this] { return m_state->done; });
}

void WorkerThread::Close() {
    if (!m_thread.joinable()) {
        return;
    }
    bool done = false;
    {
        std::lock_guard lock(m_state->mutex);
        done = m_state->done;
    }
    if (done) {
        m_thread.join();
    } else {
        closedThreads().add(std::move(m_thread), m_state);
    }
    m_state.reset();
}

void JoinOutstandingWorkerThreads() {
    closedThreads().joinAll();
}

}  // namespace quillon

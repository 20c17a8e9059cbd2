#pragma once

// A cancellation that a blocked exchange can wait on: once cancel() is
// called from any thread, a descriptor becomes readable and stays so, and
// every wait that polls it alongside its socket ends at once. One token
// belongs to one worker; a new worker gets a fresh one.

#include <atomic>

namespace quillon {

class CancelToken {
public:
    CancelToken();
    ~CancelToken();
    CancelToken(const CancelToken&) = delete;
    CancelToken& operator=(const CancelToken&) = delete;

    void cancel();
    bool cancelled() const { return m_cancelled.load(); }
    // Readable once cancelled; -1 when the platform gave no descriptor, in
    // which case waits still see cancelled() between their passes.
    int fd() const { return m_fd; }

private:
    int m_fd = -1;
    std::atomic<bool> m_cancelled{false};
};

}  // namespace quillon

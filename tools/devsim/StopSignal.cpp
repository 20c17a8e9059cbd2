#include "StopSignal.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>

namespace quillon::devsim {

namespace {

// Atomic, not sig_atomic_t: the TCP server's thread reads it too. Lock-free,
// so the handler may set it.
std::atomic<int> g_stopRequested{0};
static_assert(std::atomic<int>::is_always_lock_free);
std::atomic<int> g_stopWriteFd{-1};

extern "C" void onStopSignal(int) {
    g_stopRequested.store(1);
    const int fd = g_stopWriteFd.load();
    if (fd >= 0) {
        const char byte = 1;
        // The pipe is non-blocking: once it holds a byte, more are not needed.
        [[maybe_unused]] const ssize_t ignored = ::write(fd, &byte, 1);
    }
}

}  // namespace

StopSignal::StopSignal() {
    int fds[2];
    if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) {
        return;
    }
    m_readFd = fds[0];
    m_writeFd = fds[1];
    g_stopRequested.store(0);
    g_stopWriteFd.store(m_writeFd);

    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a blocking call returns EINTR and the loop looks again.
    action.sa_flags = 0;
    ::sigaction(SIGTERM, &action, &m_oldTerm);
    ::sigaction(SIGINT, &action, &m_oldInt);
}

StopSignal::~StopSignal() {
    if (m_readFd < 0) {
        return;
    }
    ::sigaction(SIGTERM, &m_oldTerm, nullptr);
    ::sigaction(SIGINT, &m_oldInt, nullptr);
    g_stopWriteFd.store(-1);
    ::close(m_writeFd);
    ::close(m_readFd);
}

bool StopSignal::requested() const {
    return g_stopRequested.load() != 0;
}

}  // namespace quillon::devsim

#include "StopSignal.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>

namespace quillon::devsim {

namespace {

volatile std::sig_atomic_t g_stopRequested = 0;
std::atomic<int> g_stopWriteFd{-1};

extern "C" void onStopSignal(int) {
    g_stopRequested = 1;
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
    g_stopRequested = 0;
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
    return g_stopRequested != 0;
}

}  // namespace quillon::devsim

#pragma once

// SIGTERM and SIGINT as something poll() can wait on: the handler writes a
// byte into a pipe whose read end joins the server's poll set, so the server
// sleeps in the kernel until a datagram or a stop request arrives.

#include <csignal>

namespace quillon::devsim {

class StopSignal {
public:
    // Installs the handlers; one instance at a time, in main().
    StopSignal();
    // Restores the previous handlers and closes the pipe.
    ~StopSignal();
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    bool installed() const { return m_readFd >= 0; }
    // Readable once a stop has been asked for; stays readable.
    int fd() const { return m_readFd; }
    bool requested() const;

private:
    int m_readFd = -1;
    int m_writeFd = -1;
    struct sigaction m_oldTerm {};
    struct sigaction m_oldInt {};
};

}  // namespace quillon::devsim

#pragma once

namespace quillon {

// Held for the life of the process, in main(). On POSIX there is no socket
// library to start; what matters is that a send to a peer that has gone away
// returns an error instead of killing the process with SIGPIPE.
class SocketLibrary {
public:
    SocketLibrary();
    ~SocketLibrary() = default;
    SocketLibrary(const SocketLibrary&) = delete;
    SocketLibrary& operator=(const SocketLibrary&) = delete;

    bool started() const { return m_started; }

private:
    bool m_started = false;
};

}  // namespace quillon

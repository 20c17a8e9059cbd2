#pragma once

// The simulator's one UDP socket: it waits for datagrams, logs them, and sends
// back what the planner says, to the sender's address and port.

#include <netinet/in.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "DatagramLog.h"
#include "ReplyPlanner.h"
#include "StopSignal.h"
#include "platform/Socket.h"

namespace quillon::devsim {

class DevsimServer {
public:
    DevsimServer(ReplyPlanner& planner, DatagramLog& log, const StopSignal& stop);

    // Opens the socket with SO_BROADCAST and SO_REUSEADDR (several simulators
    // may share an address and port; each gets every broadcast) and binds it.
    // False, with the reason in error, when any step fails.
    bool bind(const std::string& address, std::uint16_t port, std::string& error);

    // Serves until a stop is asked for. Between two reply datagrams it waits
    // spacing, unless the configuration's modes say burst. False when waiting
    // for datagrams fails for a reason other than a signal.
    bool run(std::chrono::microseconds spacing);

private:
    void serveOne();
    void sendReplies(const sockaddr_in& to, const std::vector<Datagram>& replies);
    bool sendOne(const sockaddr_in& to, const Datagram& datagram, int& error);
    // Sleeps in the kernel; false when a stop came first.
    bool pause(std::chrono::microseconds duration) const;

    ReplyPlanner& m_planner;
    DatagramLog& m_log;
    const StopSignal& m_stop;
    UniqueSocket m_socket;
    std::chrono::microseconds m_spacing{0};
    // Large enough for any IPv4 datagram, so nothing received is cut short.
    std::vector<std::uint8_t> m_buffer = std::vector<std::uint8_t>(65536);
};

}  // namespace quillon::devsim

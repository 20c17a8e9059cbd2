#pragma once

// The simulated devices' TCP side: one listener per device at its own address
// and video port, answering the wireless commands from the device's state, one
// connection at a time, shaped by the hostile modes. Runs on a thread of its
// own beside the UDP server and ends with the same stop signal.

#include <netinet/in.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "DatagramLog.h"
#include "DevsimConfig.h"
#include "StopSignal.h"
#include "TcpReplyPlan.h"
#include "WifiState.h"
#include "platform/Socket.h"

namespace quillon::devsim {

class TcpServer {
public:
    TcpServer(const DevsimConfig& config, DatagramLog& log, const StopSignal& stop,
              std::chrono::microseconds trickleSpacing);
    ~TcpServer();
    TcpServer(const TcpServer&) = delete;
    TcpServer& operator=(const TcpServer&) = delete;

    // Binds and listens at every device's ip:videoPort (none in tcp-refuse,
    // so connections are refused). False, with the reason, when one fails:
    // the address must be one of this namespace's.
    bool open(std::string& error);

    // Serves until the stop signal or stop().
    void run();
    void stop();

private:
    struct Device {
        UniqueSocket listener;
        std::unique_ptr<WifiState> state;
        std::string name;
    };

    void serve(Device& device, int connection, const sockaddr_in& from);
    // Reads one framed request, at most a settings block of payload, within
    // REQUEST_WAIT. What arrived is in request either way.
    bool readRequest(int connection, std::vector<std::uint8_t>& request) const;
    bool sendReply(int connection, const TcpReplyPlan& plan) const;
    // Until the client closes, a stop, or HOLD_LIMIT.
    void hold(int connection) const;
    // Waits for fd to be readable; false on a stop or when ms pass.
    bool waitReadable(int fd, int ms) const;
    bool stopping() const;

    const DevsimConfig& m_config;
    DatagramLog& m_log;
    const StopSignal& m_stop;
    std::chrono::microseconds m_trickleSpacing;
    std::vector<Device> m_devices;
    int m_wake[2] = {-1, -1};
};

}  // namespace quillon::devsim

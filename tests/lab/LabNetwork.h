#pragma once

// What lab tests need from the lab: its addresses, a way to run code inside
// a device segment, a scripted device that answers probes with exactly the
// bytes a test wants, and the project's programs run as child processes.

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/Socket.h"

namespace quillon::lab {

// The value of a LAB_* variable; empty outside the lab.
std::string labValue(const char* name);
bool inLab();

// Skips the current test, with the reason, when it does not run in the lab.
#define QUILLON_REQUIRE_LAB()                                                    \
    do {                                                                         \
        if (!::quillon::lab::inLab()) {                                          \
            GTEST_SKIP() << "not inside the lab (run through tests/lab/lab.sh)"; \
        }                                                                        \
    } while (0)

struct Datagram {
    std::string source;  // "a.b.c.d:port"
    std::string sourceAddress;
    std::uint16_t sourcePort = 0;
    std::string destination;  // the address it was sent to
    std::vector<std::uint8_t> bytes;
};

// A device stood in for by the test itself: a UDP socket on port 8080 inside
// one segment's namespace. Every datagram it receives is recorded; the
// responder, if any, says what to send back to the sender.
class ScriptedDevice {
public:
    using Responder = std::function<std::vector<std::vector<std::uint8_t>>(const Datagram&)>;

    ScriptedDevice(const std::string& segmentNamespace, Responder responder = {});
    ~ScriptedDevice();
    ScriptedDevice(const ScriptedDevice&) = delete;
    ScriptedDevice& operator=(const ScriptedDevice&) = delete;

    bool ready() const { return m_ready; }
    std::vector<Datagram> received() const;

private:
    void serve(int socket);

    Responder m_responder;
    mutable std::mutex m_mutex;
    std::vector<Datagram> m_received;
    std::atomic<bool> m_stop{false};
    bool m_ready = false;
    int m_wake[2] = {-1, -1};
    std::thread m_thread;
};

struct ProcessResult {
    int status = -1;  // exit status, or 128 + signal
    std::string out;
    std::string err;
};

// Runs a program to its end, capturing its output.
ProcessResult runProcess(const std::vector<std::string>& argv);

// A program running in the background (quillon-devsim), started in a segment
// with `ip netns exec`, stopped with SIGTERM when this goes out of scope.
class BackgroundProcess {
public:
    // Waits until the program prints a line beginning with readyWord.
    BackgroundProcess(const std::string& segmentNamespace, const std::vector<std::string>& argv,
                      const std::string& readyWord = "ready");
    ~BackgroundProcess();
    BackgroundProcess(const BackgroundProcess&) = delete;
    BackgroundProcess& operator=(const BackgroundProcess&) = delete;

    bool ready() const { return m_ready; }

private:
    int m_pid = -1;
    int m_output = -1;
    bool m_ready = false;
};

// Gives a device segment ("A", "B" or "N") one more address, /24, so a
// simulated device can listen at its own IP. An address already there is fine.
bool labAddAddress(const std::string& segment, const std::string& address);

// Paths of the programs under test, from the environment ctest sets.
std::string devsimPath();
std::string cliPath();

// A fresh file name in the lab's scratch folder.
std::string scratchFile(const std::string& stem);

// Writes text to a fresh scratch file and returns its name.
std::string writeScratchFile(const std::string& stem, const std::string& text);

// The whole of a file (a simulator's log); empty when it can't be read.
std::string readFile(const std::string& path);

// One message a simulator logged: its kind ("recv" for a datagram, "tcp"
// for a request), where it came from, and its bytes.
struct LoggedMessage {
    std::string kind;
    std::string peerAddress;
    std::uint16_t peerPort = 0;
    std::vector<std::uint8_t> bytes;
};

// The messages of one kind in a simulator's log, in order.
std::vector<LoggedMessage> readDevsimLog(const std::string& path, const std::string& kind);

// The probe and record bytes tests build replies from.
std::vector<std::uint8_t> makeRecord(const std::string& mac, const std::string& name,
                                     std::uint8_t capabilityBits = 0x20, std::uint8_t netState = 0);

}  // namespace quillon::lab

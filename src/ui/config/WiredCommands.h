#pragma once

// The two wired commands without a window: set address and set DHCP, sent
// as UDP broadcasts from the chosen local adapters, one worker thread per
// adapter, each waited for a bounded time. The window and quillon-cli both
// run them; only how an outcome is shown differs (a message box, a line).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "discovery/AdapterList.h"
#include "net/NetAddressBlock.h"
#include "platform/WorkerThread.h"

namespace quillon {

inline constexpr std::uint32_t SET_NETWORK_WAIT_MS = 2000;
inline constexpr std::uint32_t SET_DHCP_WAIT_MS = 8000;

// The request the wired page fills on the window's thread just before it
// posts a command. All zero at start.
extern NetAddressBlock g_netAddress;

enum class WiredOutcome {
    OperationSucceeded,  // set address: all 92 bytes sent
    OperationFailed,     // set address: send incomplete
    SendDhcpFailed,      // set DHCP: send incomplete
    MayBeOldDevice,      // set DHCP: no usable answer
    SetDhcpFailed,       // set DHCP: answered with a nonzero result
    SetDhcpSucceeded,    // set DHCP: answered with result 0
};

// The fixed text the user is shown for an outcome.
std::string_view OutcomeText(WiredOutcome outcome);
bool IsSuccess(WiredOutcome outcome);

// Shown instead of sending when the device's MAC text can't be held by the
// request's 20-byte field: a text cut short could name another device.
inline constexpr std::string_view MAC_TOO_LONG_TEXT =
    "The device's MAC address is too long to be sent (more than 19 characters). Nothing was "
    "sent.";

// Fill the request in place (bytes after each text's NUL stay as they were).
// Both return false and change nothing when any text is longer than 19
// characters.
bool FillSetAddressRequest(NetAddressBlock& block, std::string_view ip, std::string_view gateway,
                           std::string_view subnetMask, std::string_view mac);
bool FillSetDhcpRequest(NetAddressBlock& block, std::string_view mac);

// True when the adapter's address text begins with the new address's text
// up to its last dot (characters compared, not octets: 192.168.10.7 matches
// 192.168.1.50). A new address without a dot matches no adapter.
bool AdapterMatchesAddress(std::string_view adapterAddress, std::string_view newAddress);

// Judges the answer to set DHCP: received is what ReceiveWithTimeout returned
// for a 16-byte buffer (0 time-out, negative error, which includes a datagram
// larger than the buffer), buffer the bytes it filled.
WiredOutcome JudgeDhcpReply(int received, std::span<const std::uint8_t> buffer);

// Shows one thread's outcome; called on the worker's own thread, it returns
// once the user has seen it (the window's box is closed). It must own what it
// touches: the thread may outlive the handler that started it.
using OutcomeReport = std::function<void(std::string_view adapter, WiredOutcome outcome)>;

// The whole argument of one command thread, owned by it.
struct CommandSlot {
    std::string address;      // the adapter's address text
    NetAddressBlock request;  // g_netAddress as it stood when the thread started
    OutcomeReport report;     // where the outcome goes
    std::function<void(std::string_view adapter)> socketFailed;  // may be empty
};

// The thread bodies. Each opens a broadcast socket on its adapter; when that
// fails it ends without an outcome (socketFailed, if given, is told).
void SetNetworkThread(CommandSlot slot);
void SetDhcpThread(CommandSlot slot);

enum class WiredCommand { SetNetwork, SetDhcp };

struct WiredCommandHooks {
    // The adapters: the machine's own when empty.
    std::function<std::vector<AdapterAddress>()> listAdapters;
    // Waits for one started thread, at most ms milliseconds; WaitFor when empty.
    std::function<void(WorkerThread&, std::uint32_t ms)> waitForWorker;
    // Called on a worker's own thread as its last act; may run after the
    // handler has returned.
    std::function<void()> workerEnded;
    OutcomeReport report;
    std::function<void(std::string_view adapter)> socketFailed;
    // Replaces the thread body (for testing).
    std::function<void(CommandSlot, WiredCommand)> runThread;
};

// The set-address handler up to its refresh: a thread for every adapter
// that shares the new address's prefix, each waited for at most
// SET_NETWORK_WAIT_MS, its handle kept in commandThread while it is waited
// for. Returns how many threads were started.
std::size_t SendSetNetwork(const NetAddressBlock& request, const WiredCommandHooks& hooks,
                           WorkerThread& commandThread);

// The set-DHCP handler up to its refresh: a thread for every adapter, one
// after the other, each waited for at most the DHCP wait. Returns how many
// threads were started.
std::size_t SendSetDhcp(const NetAddressBlock& request, const WiredCommandHooks& hooks);

// The DHCP wait in force (the handler's per thread and the thread's reply
// time-out): SET_DHCP_WAIT_MS unless shortened (for testing).
std::uint32_t DhcpWaitMs();
void SetDhcpWaitForTesting(std::uint32_t ms);

}  // namespace quillon

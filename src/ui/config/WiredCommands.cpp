#include "ui/config/WiredCommands.h"

#include <atomic>
#include <utility>

#include "net/UdpTransport.h"
#include "platform/Socket.h"

namespace quillon {

NetAddressBlock g_netAddress{};

namespace {

std::atomic<std::uint32_t> g_dhcpWaitMs{SET_DHCP_WAIT_MS};

bool fits(std::string_view text) {
    return text.size() < NET_ADDRESS_FIELD;
}

std::vector<AdapterSlot> listSlots(const WiredCommandHooks& hooks) {
    const std::vector<AdapterAddress> adapters =
        hooks.listAdapters ? hooks.listAdapters() : QueryAdapterAddresses();
    std::vector<AdapterSlot> slots(ListAdapterAddresses(adapters, nullptr, 0));
    slots.resize(ListAdapterAddresses(adapters, slots.data(), slots.size()));
    return slots;
}

WorkerThread startThread(const WiredCommandHooks& hooks, const NetAddressBlock& request,
                         std::string_view address, WiredCommand command) {
    CommandSlot slot{std::string(address), request, hooks.report, hooks.socketFailed};
    return WorkerThread::Start([slot = std::move(slot), command, run = hooks.runThread,
                                ended = hooks.workerEnded]() mutable {
        if (run) {
            run(std::move(slot), command);
        } else if (command == WiredCommand::SetNetwork) {
            SetNetworkThread(std::move(slot));
        } else {
            SetDhcpThread(std::move(slot));
        }
        if (ended) {
            ended();
        }
    });
}

void waitThenClose(const WiredCommandHooks& hooks, WorkerThread& thread, std::uint32_t ms) {
    if (hooks.waitForWorker) {
        hooks.waitForWorker(thread, ms);
    } else {
        thread.WaitFor(ms);
    }
    thread.Close();
}

void report(const CommandSlot& slot, WiredOutcome outcome) {
    if (slot.report) {
        slot.report(slot.address, outcome);
    }
}

bool openSocket(const CommandSlot& slot, UniqueSocket& socket) {
    if (OpenBroadcastSocket(socket, slot.address)) {
        return true;
    }
    if (slot.socketFailed) {
        slot.socketFailed(slot.address);
    }
    return false;
}

}  // namespace

std::string_view OutcomeText(WiredOutcome outcome) {
    switch (outcome) {
        case WiredOutcome::OperationSucceeded:
            return "Operation Succeeded!";
        case WiredOutcome::OperationFailed:
            return "Operation failed!";
        case WiredOutcome::SendDhcpFailed:
            return "Send DHCP Command failed!";
        case WiredOutcome::MayBeOldDevice:
            return "Operation failed,May be old Device!";
        case WiredOutcome::SetDhcpFailed:
            return "Set DHCP Failed!";
        case WiredOutcome::SetDhcpSucceeded:
            return "Set DHCP Succeeded!!";
    }
    return {};
}

bool IsSuccess(WiredOutcome outcome) {
    return outcome == WiredOutcome::OperationSucceeded || outcome == WiredOutcome::SetDhcpSucceeded;
}

bool FillSetAddressRequest(NetAddressBlock& block, std::string_view ip, std::string_view gateway,
                           std::string_view subnetMask, std::string_view mac) {
    if (!fits(ip) || !fits(gateway) || !fits(subnetMask) || !fits(mac)) {
        return false;
    }
    CopyToField(block.ip, ip);
    CopyToField(block.gateway, gateway);
    CopyToField(block.subnetMask, subnetMask);
    CopyToField(block.mac, mac);
    return true;
}

bool FillSetDhcpRequest(NetAddressBlock& block, std::string_view mac) {
    return CopyToField(block.mac, mac);
}

bool AdapterMatchesAddress(std::string_view adapterAddress, std::string_view newAddress) {
    const std::size_t lastDot = newAddress.rfind('.');
    if (lastDot == std::string_view::npos) {
        return false;
    }
    return adapterAddress.substr(0, lastDot) == newAddress.substr(0, lastDot) &&
           adapterAddress.size() >= lastDot;
}

WiredOutcome JudgeDhcpReply(int received, std::span<const std::uint8_t> buffer) {
    if (received <= 0 || static_cast<std::size_t>(received) > buffer.size()) {
        return WiredOutcome::MayBeOldDevice;
    }
    const auto result = ParseDhcpReply(buffer.first(static_cast<std::size_t>(received)));
    if (!result) {
        return WiredOutcome::MayBeOldDevice;
    }
    return *result == 0 ? WiredOutcome::SetDhcpSucceeded : WiredOutcome::SetDhcpFailed;
}

void SetNetworkThread(CommandSlot slot) {
    UniqueSocket socket;
    if (!openSocket(slot, socket)) {
        return;
    }
    const auto message = BuildSetAddressMessage(slot.request);
    const bool sent = SendBroadcast(socket.get(), message) == 0;
    // Success means only that the message left this machine: no device
    // answers set address.
    report(slot, sent ? WiredOutcome::OperationSucceeded : WiredOutcome::OperationFailed);
}

void SetDhcpThread(CommandSlot slot) {
    UniqueSocket socket;
    if (!openSocket(slot, socket)) {
        return;
    }
    const auto message = BuildSetDhcpMessage(FieldText(slot.request.mac));
    if (SendBroadcast(socket.get(), message) != 0) {
        report(slot, WiredOutcome::SendDhcpFailed);
        return;
    }
    // The first datagram to arrive is the answer, whoever sent it; one larger
    // than a reply is a receive error, never read cut short.
    std::array<std::uint8_t, DHCP_REPLY_SIZE> buffer{};
    const int received = ReceiveWithTimeout(static_cast<int>(DhcpWaitMs()), socket.get(), buffer);
    // The socket goes before the box: the user may leave it open for long.
    socket.reset();
    report(slot, JudgeDhcpReply(received, buffer));
}

std::size_t SendSetNetwork(const NetAddressBlock& request, const WiredCommandHooks& hooks,
                           WorkerThread& commandThread) {
    const std::vector<AdapterSlot> slots = listSlots(hooks);
    const std::string_view newAddress = FieldText(request.ip);
    std::size_t started = 0;
    for (const AdapterSlot& slot : slots) {
        if (!AdapterMatchesAddress(slot.addressText(), newAddress)) {
            continue;
        }
        commandThread = startThread(hooks, request, slot.addressText(), WiredCommand::SetNetwork);
        if (commandThread.valid()) {
            ++started;
            waitThenClose(hooks, commandThread, SET_NETWORK_WAIT_MS);
        }
        commandThread = WorkerThread{};
    }
    return started;
}

std::size_t SendSetDhcp(const NetAddressBlock& request, const WiredCommandHooks& hooks) {
    const std::vector<AdapterSlot> slots = listSlots(hooks);
    std::size_t started = 0;
    for (const AdapterSlot& slot : slots) {
        WorkerThread thread =
            startThread(hooks, request, slot.addressText(), WiredCommand::SetDhcp);
        if (thread.valid()) {
            ++started;
            waitThenClose(hooks, thread, DhcpWaitMs());
        }
    }
    return started;
}

std::uint32_t DhcpWaitMs() {
    return g_dhcpWaitMs.load();
}

void SetDhcpWaitForTesting(std::uint32_t ms) {
    g_dhcpWaitMs.store(ms);
}

}  // namespace quillon

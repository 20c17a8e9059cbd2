#include "WiredCliCommands.h"

#include <arpa/inet.h>

#include <atomic>
#include <iostream>
#include <mutex>

#include "platform/WorkerThread.h"
#include "ui/config/WiredCommands.h"

namespace quillon {

namespace {

constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;

std::string checkAddress(const std::string& text) {
    in_addr parsed{};
    if (::inet_pton(AF_INET, text.c_str(), &parsed) != 1) {
        return "not a dotted IPv4 address: " + text;
    }
    // The networking page refuses a blank (zero) address; so does this.
    if (parsed.s_addr == 0) {
        return "0.0.0.0 is not an address a device can take";
    }
    return {};
}

// Lines from several adapter threads, never mixed within a line.
struct Outcomes {
    std::mutex mutex;
    bool anySucceeded = false;
    bool anyFailed = false;  // not counting silence (set DHCP)
    bool anySilent = false;
};

}  // namespace

WiredCliCommands::WiredCliCommands(CLI::App& app) {
    m_setAddress = app.add_subcommand(
        "set-address",
        "Give the device with this MAC a static address, from every adapter on the new address's "
        "network, then search again");
    m_setAddress->add_option("--mac", m_mac, "The device's MAC text as the search lists it")
        ->required();
    m_setAddress->add_option("--ip", m_ip, "New IP address")->required()->check(checkAddress);
    m_setAddress->add_option("--mask", m_mask, "New subnet mask")->required()->check(checkAddress);
    m_setAddress->add_option("--gateway", m_gateway, "New gateway")
        ->required()
        ->check(checkAddress);

    m_setDhcp = app.add_subcommand(
        "set-dhcp",
        "Switch the device with this MAC to DHCP, from every adapter, then search again");
    m_setDhcp->add_option("--mac", m_mac, "The device's MAC text as the search lists it")
        ->required();
}

bool WiredCliCommands::chosen() const {
    return m_setAddress->parsed() || m_setDhcp->parsed();
}

int WiredCliCommands::run(const std::function<int()>& printTable) {
    NetAddressBlock request{};
    const bool filled = m_setAddress->parsed()
                            ? FillSetAddressRequest(request, m_ip, m_gateway, m_mask, m_mac)
                            : FillSetDhcpRequest(request, m_mac);
    if (!filled) {
        std::cerr << "quillon-cli: " << MAC_TOO_LONG_TEXT << '\n';
        return EXIT_USAGE;
    }

    auto outcomes = std::make_shared<Outcomes>();
    WiredCommandHooks hooks;
    hooks.report = [outcomes](std::string_view adapter, WiredOutcome outcome) {
        std::lock_guard lock(outcomes->mutex);
        if (IsSuccess(outcome)) {
            outcomes->anySucceeded = true;
        } else if (outcome == WiredOutcome::MayBeOldDevice) {
            outcomes->anySilent = true;
        } else {
            outcomes->anyFailed = true;
        }
        std::cout << adapter << ": " << OutcomeText(outcome) << std::endl;
    };
    hooks.socketFailed = [outcomes](std::string_view adapter) {
        std::lock_guard lock(outcomes->mutex);
        outcomes->anyFailed = true;
        std::cerr << "quillon-cli: " << adapter << ": cannot open a broadcast socket\n";
    };

    bool nothingSent = false;
    if (m_setAddress->parsed()) {
        WorkerThread commandThread;
        if (SendSetNetwork(request, hooks, commandThread) == 0) {
            std::cerr << "quillon-cli: no adapter is on the new address's network; nothing sent\n";
            nothingSent = true;
        }
    } else if (SendSetDhcp(request, hooks) == 0) {
        std::cerr << "quillon-cli: no adapter to send from; nothing sent\n";
        nothingSent = true;
    }
    const int tableStatus = printTable();
    // A thread whose wait ended still finishes its line before the verdict.
    JoinOutstandingWorkerThreads();
    std::lock_guard lock(outcomes->mutex);
    // Set DHCP goes out on every adapter but the device answers on its own
    // segment only: the others' silence is no failure once it has answered.
    const bool silenceFails = outcomes->anySilent && !outcomes->anySucceeded;
    if (nothingSent || outcomes->anyFailed || silenceFails) {
        return EXIT_FAILED;
    }
    return tableStatus;
}

}  // namespace quillon

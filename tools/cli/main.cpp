// quillon-cli: the search from a terminal, on the same core as the window.

#include <arpa/inet.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "DevInfoJson.h"
#include "TextTable.h"
#include "discovery/AdapterList.h"
#include "discovery/SearchWorker.h"
#include "platform/SocketLibrary.h"

namespace {

using namespace quillon;

constexpr int EXIT_USAGE = 2;
constexpr int EXIT_SOCKET = 3;

int fail(int status, const std::string& message) {
    std::cerr << "quillon-cli: " << message << '\n';
    return status;
}

bool isIpv4(const std::string& text) {
    in_addr parsed{};
    return ::inet_pton(AF_INET, text.c_str(), &parsed) == 1;
}

int listAdapters() {
    const std::size_t count = ListAdapterAddresses(nullptr, 0);
    std::vector<AdapterSlot> slots(count);
    const std::size_t listed = ListAdapterAddresses(slots.data(), slots.size());
    for (std::size_t i = 0; i < listed; ++i) {
        std::cout << slots[i].addressText() << '\n';
    }
    return 0;
}

void printTable(const std::vector<DevInfo>& devices) {
    TextTable table({"MAC", "IP", "Name", "Device ID", "Mask", "Gateway", "Version", "Web", "Video",
                     "Phone", "DHCP", "Wireless"});
    for (const auto& d : devices) {
        table.addRow({d.mac, d.ip, d.name, d.deviceId, d.subnetMask, d.gateway, d.swVersion,
                      d.webPort, d.videoPort, d.phonePort, d.dhcpText, d.wirelessText});
    }
    std::cout << table.render() << devices.size()
              << (devices.size() == 1 ? " device\n" : " devices\n");
}

int searchAdapter(const std::string& address, SearchKind kind, bool json) {
    auto tables = std::make_shared<SearchTables>();
    AdapterSlot slot;
    slot.setAddress(address);
    slot.owner = tables;
    switch (RunSearch(slot, kind)) {
        case SearchOutcome::SocketFailed:
            return fail(EXIT_SOCKET, "cannot open a broadcast socket on " + address +
                                         " (is it this machine's address, with a port free "
                                         "in 10000-10099?)");
        case SearchOutcome::SendFailed:
            return fail(EXIT_SOCKET, "cannot send the search probe from " + address +
                                         " (no route for broadcasts on that adapter)");
        case SearchOutcome::ReadFailed:
            std::cerr << "quillon-cli: a receive error (such as a reply larger than "
                      << SEARCH_BUFFER_SIZE << " bytes) ended the search early\n";
            break;
        case SearchOutcome::Completed:
            break;
    }
    const SearchResultTable& table =
        kind == SearchKind::Basic ? tables->m_basicTable : tables->m_extendedTable;
    const std::vector<DevInfo> devices = table.Entries();
    if (json) {
        std::cout << DevInfosToJson(devices).dump(2) << '\n';
    } else {
        printTable(devices);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const SocketLibrary sockets;

    CLI::App app{"Finds NVRs and IP cameras on the local networks (quillon-cli)", "quillon-cli"};
    app.require_subcommand(1);

    app.add_subcommand("adapters", "List the local adapters' addresses in the order searched");

    auto* search = app.add_subcommand("search", "Search one adapter's network for 5 seconds");
    std::string adapter;
    bool basic = false;
    bool extended = false;
    bool json = false;
    search->add_option("--adapter", adapter, "Local adapter address to search from (0.0.0.0: any)")
        ->check([](const std::string& text) {
            return isIpv4(text) ? std::string() : "not an IPv4 address: " + text;
        });
    auto* basicFlag = search->add_flag("--basic", basic, "Basic search probe (the default)");
    search->add_flag("--extended", extended, "Extended search probe (replies carry device IDs)")
        ->excludes(basicFlag);
    search->add_flag("--json", json, "Print the entries as a JSON array");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        return fail(EXIT_USAGE, e.what());
    }

    if (app.got_subcommand("adapters")) {
        return listAdapters();
    }
    if (adapter.empty()) {
        return fail(EXIT_USAGE, "search: --adapter is required");
    }
    return searchAdapter(adapter, extended ? SearchKind::Extended : SearchKind::Basic, json);
}

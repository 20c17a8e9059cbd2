// quillon-cli: the search from a terminal, on the same core as the window.

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "DevInfoJson.h"
#include "TextTable.h"
#include "WifiCommands.h"
#include "WiredCliCommands.h"
#include "discovery/AdapterList.h"
#include "discovery/Refresh.h"
#include "discovery/SearchWorker.h"
#include "platform/SocketLibrary.h"
#include "platform/WorkerThread.h"
#include "ui/main/DeviceColumns.h"
#include "ui/main/DeviceSort.h"

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

// A --sort value: COLUMN[:asc|:desc], COLUMN a number 0 to 17 or a column
// title (any letter case). Ascending when no direction is given.
struct SortRequest {
    int column = -1;
    bool ascending = true;
};

std::string parseSort(const std::string& text, SortRequest& request) {
    std::string column = text;
    request.ascending = true;
    if (const auto colon = text.rfind(':'); colon != std::string::npos) {
        const std::string direction = text.substr(colon + 1);
        if (direction != "asc" && direction != "desc") {
            return "sort direction must be asc or desc: " + direction;
        }
        request.ascending = direction == "asc";
        column = text.substr(0, colon);
    }
    if (!column.empty() && column.size() <= 2 &&
        column.find_first_not_of("0123456789") == std::string::npos) {
        const int number = std::stoi(column);
        if (number < static_cast<int>(DEVICE_COLUMN_COUNT)) {
            request.column = number;
            return {};
        }
    }
    for (std::size_t i = 0; i < DEVICE_COLUMN_COUNT; ++i) {
        const std::string_view title = DEVICE_COLUMNS[i].title;
        if (title.size() == column.size() &&
            std::equal(title.begin(), title.end(), column.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            })) {
            request.column = static_cast<int>(i);
            return {};
        }
    }
    return "no such column: " + column + " (a number 0 to 17 or a column title)";
}

void printDeviceRows(const std::vector<DevInfo>& devices) {
    std::vector<std::string> titles;
    for (const auto& column : DEVICE_COLUMNS) {
        titles.emplace_back(column.title);
    }
    TextTable table(std::move(titles));
    for (const auto& entry : devices) {
        const RowTextArray texts = RowTexts(entry);
        table.addRow(std::vector<std::string>(texts.begin(), texts.end()));
    }
    std::cout << table.render() << devices.size()
              << (devices.size() == 1 ? " device\n" : " devices\n");
}

// The window's refresh, without the window: every adapter, both searches,
// merged and sorted by device ID descending, then by --sort if given.
int searchAllAdapters(const SortRequest& sort, bool json) {
    auto tables = std::make_shared<SearchTables>();
    std::vector<DevInfo> devices = SearchAllAdapters(tables);
    SortDevices(false, devices, 1);
    if (sort.column >= 0) {
        SortDevices(sort.ascending, devices, sort.column);
    }
    // Workers still collecting have nothing more to tell us.
    tables->m_stopRequested.store(true);
    if (json) {
        std::cout << DevInfosToJson(devices).dump(2) << '\n';
    } else {
        printDeviceRows(devices);
    }
    return 0;
}

int searchAdapter(const std::string& address, SearchKind kind, bool json, const SortRequest& sort) {
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
    std::vector<DevInfo> devices = table.Entries();
    if (sort.column >= 0) {
        SortDevices(sort.ascending, devices, sort.column);
    }
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

    auto* search = app.add_subcommand(
        "search",
        "Search every adapter's network as the window's Refresh does, or one adapter's for 5 s");
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
    SortRequest sort;
    search->add_option("--sort", "Sort by COLUMN[:asc|:desc] (0 to 17 or a column title)")
        ->check([&sort](const std::string& text) { return parseSort(text, sort); });

    WifiCommands wifi(app);

    WiredCliCommands wired(app);

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
    if (wired.chosen()) {
        return wired.run([] { return searchAllAdapters(SortRequest{}, false); });
    }
    if (wifi.chosen()) {
        return wifi.run();
    }
    if (adapter.empty()) {
        if (basic || extended) {
            return fail(EXIT_USAGE, "search: --basic and --extended need --adapter");
        }
        const int status = searchAllAdapters(sort, json);
        JoinOutstandingWorkerThreads();
        return status;
    }
    return searchAdapter(adapter, extended ? SearchKind::Extended : SearchKind::Basic, json, sort);
}

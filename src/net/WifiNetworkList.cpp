#include "net/WifiNetworkList.h"

#include <algorithm>
#include <cstdio>

namespace quillon {

std::string SignalPercentText(std::uint8_t signal) {
    char text[8];
    std::snprintf(text, sizeof text, "%d%%", signal * 100 / 255);
    return text;
}

std::vector<NetworkRow> FillNetworkRows(std::vector<WifiNetworkRecord>& networks) {
    std::stable_sort(networks.begin(), networks.end(),
                     [](const WifiNetworkRecord& a, const WifiNetworkRecord& b) {
                         return (a.connected() != 0) > (b.connected() != 0);
                     });
    std::vector<NetworkRow> rows;
    for (const WifiNetworkRecord& record : networks) {
        const std::string name = record.ssid();
        auto row = std::find_if(rows.begin(), rows.end(),
                                [&](const NetworkRow& r) { return r.name == name; });
        if (row == rows.end()) {
            rows.push_back({name, {}, {}, {}});
            row = rows.end() - 1;
        }
        row->status = record.connected() != 0 ? CONNECTED_TEXT : DISCONNECTED_TEXT;
        row->signal = SignalPercentText(record.signal());
        row->encryption = record.authMode() != 0 ? ENCRYPTED_TEXT : UNENCRYPTED_TEXT;
    }
    return rows;
}

void SortNetworks(std::vector<WifiNetworkRecord>& networks, int column, bool ascending) {
    const auto sortBy = [&](auto key) {
        std::stable_sort(networks.begin(), networks.end(),
                         [&](const WifiNetworkRecord& a, const WifiNetworkRecord& b) {
                             return ascending ? key(a) < key(b) : key(b) < key(a);
                         });
    };
    switch (column) {
        case 0:
            sortBy([](const WifiNetworkRecord& r) { return r.ssid(); });
            break;
        case 1:
            sortBy([](const WifiNetworkRecord& r) { return r.connected(); });
            break;
        case 2:
            sortBy([](const WifiNetworkRecord& r) { return r.signal(); });
            break;
        case 3:
            sortBy([](const WifiNetworkRecord& r) { return r.authMode(); });
            break;
        default:
            break;
    }
}

}  // namespace quillon

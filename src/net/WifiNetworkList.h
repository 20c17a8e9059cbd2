#pragma once

// The WiFi page's network list without its window: the order it keeps the
// device's networks in, the one row per name it shows, and its column sort.
// The page and quillon-cli show the same rows.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "net/WifiNetworkRecord.h"

namespace quillon {

inline constexpr std::array<std::string_view, 4> NETWORK_COLUMN_TITLES{
    "Name", "Connection status", "Signal strength", "Encrypt"};
inline constexpr std::string_view CONNECTED_TEXT = "Connected";
inline constexpr std::string_view DISCONNECTED_TEXT = "Disconnected";
inline constexpr std::string_view ENCRYPTED_TEXT = "Encrypted";
inline constexpr std::string_view UNENCRYPTED_TEXT = "Unencrypted";

struct NetworkRow {
    std::string name;
    std::string status;
    std::string signal;
    std::string encryption;

    bool operator==(const NetworkRow&) const = default;
};

// signal * 100 / 255, truncated, with a percent sign: 255 "100%", 2 "0%".
std::string SignalPercentText(std::uint8_t signal);

// What FillNetworkView does: moves the connected networks (nonzero byte)
// before the others, keeping the order inside each group, then gives one row
// per distinct name, placed where that name first stands and showing the
// columns of its last record.
std::vector<NetworkRow> FillNetworkRows(std::vector<WifiNetworkRecord>& networks);

// A stable sort by column 0 name (byte-wise), 1 connected, 2 signal,
// 3 authMode; ascending puts the smaller first. Other columns change nothing.
void SortNetworks(std::vector<WifiNetworkRecord>& networks, int column, bool ascending);

}  // namespace quillon

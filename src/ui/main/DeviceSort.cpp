#include "ui/main/DeviceSort.h"

#include <algorithm>
#include <cstddef>
#include <numeric>
#include <utility>

#include "ui/main/DeviceColumns.h"

namespace quillon {

bool g_sortAscending = false;

namespace {

using TextField = std::string DevInfo::*;

struct SortColumn {
    TextField key;
    bool address;
};

constexpr SortColumn SORT_COLUMNS[DEVICE_COLUMN_COUNT] = {
    {&DevInfo::name, false},
    {&DevInfo::deviceId, false},
    {&DevInfo::wirelessText, false},
    {&DevInfo::dhcpText, false},
    {&DevInfo::ip, true},
    {&DevInfo::gateway, true},
    {&DevInfo::subnetMask, true},
    {&DevInfo::mac, false},
    {&DevInfo::swVersion, false},
    {&DevInfo::videoCount, false},
    {&DevInfo::audioCount, false},
    {&DevInfo::alarmInCount, false},
    {&DevInfo::alarmOutCount, false},
    {&DevInfo::audioTalk, false},
    {&DevInfo::storage, false},
    {&DevInfo::webPort, false},
    {&DevInfo::videoPort, false},
    {&DevInfo::phonePort, false},
};

}  // namespace

std::vector<std::string> SplitText(std::string_view text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(separator, start);
        if (at == std::string_view::npos) {
            parts.emplace_back(text.substr(start));
            return parts;
        }
        parts.emplace_back(text.substr(start, at - start));
        start = at + 1;
    }
}

std::string PadDottedParts(std::string_view text, std::string_view separator, std::size_t width) {
    if (separator.empty()) {
        return std::string(text);
    }
    const std::vector<std::string> parts = SplitText(text, separator.front());
    if (parts.size() < 2) {
        return std::string(text);
    }
    std::string padded;
    padded.reserve(text.size() + parts.size() * width);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i != 0) {
            padded.append(separator);
        }
        if (parts[i].size() < width) {
            padded.append(width - parts[i].size(), '0');
        }
        padded.append(parts[i]);
    }
    return padded;
}

void SortDevices(bool ascending, std::vector<DevInfo>& devices, int column) {
    if (static_cast<unsigned>(column) >= DEVICE_COLUMN_COUNT) {
        return;
    }
    const SortColumn& sortColumn = SORT_COLUMNS[column];

    // Each key is built once instead of once per comparison: padding an
    // address allocates, and a comparison sort makes n log n comparisons.
    // Texts that are equal pad equally, so ordering by the padded keys is the
    // address comparison itself.
    std::vector<std::string> keys;
    keys.reserve(devices.size());
    for (const DevInfo& entry : devices) {
        const std::string& text = entry.*sortColumn.key;
        keys.push_back(sortColumn.address ? PadDottedParts(text, ".", 3) : text);
    }

    // std::string compares through char_traits<char>, which orders bytes as
    // unsigned char: the byte order the columns are defined by.
    std::vector<std::size_t> order(devices.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    if (ascending) {
        std::sort(order.begin(), order.end(),
                  [&](std::size_t a, std::size_t b) { return keys[a].compare(keys[b]) < 0; });
    } else {
        std::sort(order.begin(), order.end(),
                  [&](std::size_t a, std::size_t b) { return keys[a].compare(keys[b]) > 0; });
    }

    std::vector<DevInfo> sorted;
    sorted.reserve(devices.size());
    for (const std::size_t i : order) {
        sorted.push_back(std::move(devices[i]));
    }
    devices = std::move(sorted);
}

}  // namespace quillon

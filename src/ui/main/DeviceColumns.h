#pragma once

// The 18 columns of the device list and the texts of one row. Needs no
// window: the command line prints the same rows the list shows.

#include <array>
#include <cstddef>
#include <string>

#include "discovery/DevInfo.h"

namespace quillon {

inline constexpr std::size_t DEVICE_COLUMN_COUNT = 18;

struct DeviceColumn {
    const char* title;
    int width;  // pixels
};

inline constexpr std::array<DeviceColumn, DEVICE_COLUMN_COUNT> DEVICE_COLUMNS{{
    {"Device name", 140},
    {"Device ID", 100},
    {"Wireless", 60},
    {"DHCP", 50},
    {"IP", 100},
    {"Gateway", 100},
    {"Sub mask", 100},
    {"MAC", 120},
    {"SW Version", 80},
    {"Video number", 80},
    {"Audio number", 80},
    {"Alarm input", 80},
    {"Alarm output", 80},
    {"Audio Talk", 80},
    {"Storage", 50},
    {"Web port", 70},
    {"Video port", 70},
    {"Phone port", 70},
}};

using RowTextArray = std::array<std::string, DEVICE_COLUMN_COUNT>;

// The cell texts of the entry's row, in column order. Audio Talk and Storage
// show "Y" only for the exact stored text "1"; every other cell is the
// entry's text unchanged.
RowTextArray RowTexts(const DevInfo& entry);

}  // namespace quillon

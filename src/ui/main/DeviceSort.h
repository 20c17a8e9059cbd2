#pragma once

// Sorting the device table by one column, the same way for the list's header
// clicks, the end of a refresh and the command line.

#include <string>
#include <string_view>
#include <vector>

#include "discovery/DevInfo.h"

namespace quillon {

// The one sort direction every column shares: flipped by each header click,
// false at start. A refresh sorts without touching it.
extern bool g_sortAscending;

// Sorts devices in place by column (0 to 17; any other column leaves them as
// they are). Texts compare by unsigned byte value, case-sensitive, numbers as
// text; the IP, Gateway and Sub mask columns compare their texts padded with
// PadDottedParts, so 10.0.0.9 sorts before 10.0.0.10. Entries with equal keys
// end in no particular order.
void SortDevices(bool ascending, std::vector<DevInfo>& devices, int column);

// The parts of text between occurrences of separator, empty parts kept: n
// occurrences give n + 1 parts; a text without separator gives itself alone.
std::vector<std::string> SplitText(std::string_view text, char separator);

// Left-pads every part of text between occurrences of separator's first
// character with '0' to width characters and joins them with separator. A
// text without separator, or an empty separator, comes back unchanged.
std::string PadDottedParts(std::string_view text, std::string_view separator, std::size_t width);

}  // namespace quillon

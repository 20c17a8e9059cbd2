#pragma once

// The web page addresses the main window hands to the desktop.

#include <string>

#include "discovery/DevInfo.h"

namespace quillon {

// For a double-click: "http://IP", with ":PORT" after it unless the web port
// is exactly "80".
std::string DoubleClickUrl(const DevInfo& entry);

// For "Open" and Enter: "http://IP", never with a port.
std::string OpenUrl(const DevInfo& entry);

}  // namespace quillon

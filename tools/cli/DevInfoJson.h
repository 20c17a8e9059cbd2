#pragma once

#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "discovery/DevInfo.h"

namespace quillon {

// One object per entry, keyed by the DevInfo field names: wifiSupport as a
// number, the three flags as booleans, every other field as its text.
nlohmann::ordered_json DevInfoToJson(const DevInfo& d);
nlohmann::ordered_json DevInfosToJson(const std::vector<DevInfo>& devices);

// Device texts are 8-bit text in whatever code page the device uses. JSON
// must be UTF-8: a text that already is passes through, any other is read as
// Latin-1, so no byte is lost or replaced.
std::string ToUtf8(std::string_view text);

}  // namespace quillon

#pragma once

// The simulator's configuration: its devices and its hostile modes, read from
// a JSON file and completed by command-line flags.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "DeviceProfile.h"

namespace quillon::devsim {

// The hostile behaviours; all off gives well-behaved devices.
struct SimModes {
    bool burst = false;         // no pause between reply datagrams
    bool wrongMagic = false;    // a slot or reply with the magic 55 55 AA AB first
    bool shortReplies = false;  // a 239-byte and a 12-byte datagram first
    bool extended240 = false;   // extended replies without their device ID
    bool unterminated = false;  // texts fill their fields, no NUL
    bool macCase = false;       // a second answer with the MAC in the other case
    // TCP replies
    bool tcpRefuse = false;         // no listener: connections are refused
    bool tcpSilent = false;         // read the request, never answer
    bool tcpHeaderOnly = false;     // the reply header, then silence
    bool tcpTrickle = false;        // the reply one byte per send
    bool tcpCloseMid = false;       // close halfway through the payload
    bool tcpWrongMagic = false;     // a reply with the magic 55 55 AA AB
    bool tcpHugeLength = false;     // a reply announcing 0xFFFFFFFF bytes
    bool tcpShortSettings = false;  // a settings reply of 600 bytes

    bool operator==(const SimModes&) const = default;
};

// The mode names of --mode and of "modes", in the order --help lists them.
const std::vector<std::string>& modeNames();

// Sets the mode called name; false (and nothing set) for an unknown name.
bool applyModeName(SimModes& modes, std::string_view name);

struct DevsimConfig {
    std::vector<DeviceProfile> devices;
    SimModes modes;
};

// The outcome of reading a configuration: the configuration, or a one-line
// description of what is wrong that names the file, as
//   FILE: device 3: key "webPort": 70000 is out of range 0..65535
// (devices are counted from 1, as a person counts them in the file).
struct ConfigLoad {
    std::optional<DevsimConfig> config;
    std::string error;
};

// Parses the JSON text; fileName only labels the error. Unknown keys, wrong
// types and out-of-range numbers are errors, never silently dropped.
ConfigLoad parseConfig(std::string_view text, std::string_view fileName);

// Reads and parses the file. An unreadable file, or one larger than
// MAX_CONFIG_BYTES, is an error.
ConfigLoad loadConfigFile(const std::string& path);

inline constexpr std::size_t MAX_CONFIG_BYTES = 16 * 1024 * 1024;

}  // namespace quillon::devsim

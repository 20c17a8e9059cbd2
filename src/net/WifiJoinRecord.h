#pragma once

// What the join dialog shows and writes, without the dialog: its lists and
// their wire values, its enabling rules, the trimming of its entries and the
// record it fills. The window and quillon-cli both build records with this.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "net/WifiNetworkRecord.h"

namespace quillon {

struct AuthModeEntry {
    std::string_view text;
    std::uint8_t authMode;
};

// The authentication drop-down, in list order.
inline constexpr std::array<AuthModeEntry, 5> AUTH_MODE_ENTRIES{{
    {"Unencrypted", AUTH_NONE},
    {"WEP Encrypted", AUTH_WEP},
    {"WPA PSK Encrypted", AUTH_WPA_PSK},
    {"WPA2 PSK Encrypted", AUTH_WPA2_PSK},
    {"WPA PSK+WPA2 PSK Encrypted", AUTH_WPA_WPA2_PSK},
}};
inline constexpr int AUTH_POSITION_WEP = 1;
inline constexpr std::array<std::string_view, 4> WEP_KEY_ENTRIES{"WEP key 1", "WEP key 2",
                                                                 "WEP key 3", "WEP key 4"};
inline constexpr std::array<std::string_view, 2> KEY_FORMAT_ENTRIES{"ASCII", "Hexadecimal"};

// A name longer than ssid's 32 bytes would run into the key; a key is at
// most 16 characters.
inline constexpr std::size_t JOIN_NAME_MAX = WIFI_SSID_SIZE;
inline constexpr std::size_t JOIN_KEY_MAX = 16;
// A drop-down with nothing selected.
inline constexpr int NO_SELECTION = -1;

inline constexpr std::string_view INCORRECT_NAME_TEXT = "Incorrect wireless name!";

// The list position showing authMode: 1 -> 1, 2 -> 2, 4 -> 3, 6 -> 4, any
// other value -> 0 ("Unencrypted").
int AuthModePosition(std::uint8_t authMode);
// The wire value of a list position; AUTH_NONE outside the list.
std::uint8_t AuthModeAt(int position);

// The dialog's controls when it is shown for record, in add or join mode.
struct JoinDialogView {
    std::string name;
    int authPosition = 0;
    int wepPosition = NO_SELECTION;
    int keyFormatPosition = 0;
    bool nameEnabled = true;
    bool authEnabled = true;
    bool wepEnabled = false;
    bool keyFormatEnabled = true;
    bool keyEnabled = true;
};
JoinDialogView JoinDialogInitialView(const WifiNetworkRecord& record, bool addMode);

// The WEP slot drop-down after the authentication mode changed to
// authPosition (add mode): WEP selects "WEP key 1" and enables it; any other
// mode disables it and keeps its selection.
struct WepSlotState {
    int position = NO_SELECTION;
    bool enabled = false;
};
WepSlotState WepSlotAfterAuthChange(int authPosition, int currentWepPosition);

// Removes trailing, then leading, space characters (blanks only).
std::string TrimBlanks(std::string_view text);

// The dialog's entries as the user left them.
struct JoinEntries {
    std::string_view name;
    std::string_view key;
    int authPosition = 0;
    int wepPosition = NO_SELECTION;
    int keyFormatPosition = 0;
};

// "Establish  Connection": trims name and key; when the name is then empty,
// returns false and leaves record untouched (the dialog says
// INCORRECT_NAME_TEXT). Otherwise writes the name (at most 32 bytes) into
// ssid and zero-fills the rest of the field, sets authMode, wepKeyIndex and
// keyFormat from the positions (NO_SELECTION as FF), and, when the key is not
// empty, writes it (at most 16 bytes) into key and zero-fills the rest, so
// the device never gets a new key followed by the tail of a listed one. An
// empty key leaves key as it was. Returns true.
bool BuildJoinRecord(WifiNetworkRecord& record, const JoinEntries& entries);

}  // namespace quillon

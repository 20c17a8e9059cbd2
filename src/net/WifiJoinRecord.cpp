#include "net/WifiJoinRecord.h"

#include <algorithm>

namespace quillon {

namespace {

void writeText(std::span<std::uint8_t> field, std::string_view text, std::size_t limit) {
    const std::size_t n = std::min({text.size(), limit, field.size()});
    std::copy_n(text.begin(), n, field.begin());
    std::fill(field.begin() + static_cast<std::ptrdiff_t>(n), field.end(), 0);
}

std::uint8_t positionByte(int position) {
    return position < 0 ? 0xFF : static_cast<std::uint8_t>(position);
}

}  // namespace

int AuthModePosition(std::uint8_t authMode) {
    for (std::size_t i = 0; i < AUTH_MODE_ENTRIES.size(); ++i) {
        if (AUTH_MODE_ENTRIES[i].authMode == authMode) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

std::uint8_t AuthModeAt(int position) {
    if (position < 0 || position >= static_cast<int>(AUTH_MODE_ENTRIES.size())) {
        return AUTH_NONE;
    }
    return AUTH_MODE_ENTRIES[static_cast<std::size_t>(position)].authMode;
}

JoinDialogView JoinDialogInitialView(const WifiNetworkRecord& record, bool addMode) {
    JoinDialogView view;
    if (addMode) {
        return view;
    }
    view.name = record.ssid();
    view.authPosition = AuthModePosition(record.authMode());
    view.wepPosition = record.wepKeyIndex() < WEP_KEY_ENTRIES.size()
                           ? static_cast<int>(record.wepKeyIndex())
                           : NO_SELECTION;
    view.keyFormatPosition = record.keyFormat() < KEY_FORMAT_ENTRIES.size()
                                 ? static_cast<int>(record.keyFormat())
                                 : NO_SELECTION;
    // A listed network keeps its name, mode and reported WEP slot.
    view.nameEnabled = false;
    view.authEnabled = false;
    view.wepEnabled = false;
    view.keyFormatEnabled = record.authMode() == AUTH_WEP;
    view.keyEnabled = record.authMode() != AUTH_NONE;
    return view;
}

WepSlotState WepSlotAfterAuthChange(int authPosition, int currentWepPosition) {
    if (authPosition == AUTH_POSITION_WEP) {
        return {0, true};
    }
    return {currentWepPosition, false};
}

std::string TrimBlanks(std::string_view text) {
    const auto last = text.find_last_not_of(' ');
    if (last == std::string_view::npos) {
        return {};
    }
    text = text.substr(0, last + 1);
    return std::string(text.substr(text.find_first_not_of(' ')));
}

bool BuildJoinRecord(WifiNetworkRecord& record, const JoinEntries& entries) {
    const std::string name = TrimBlanks(entries.name);
    if (name.empty()) {
        return false;
    }
    const std::string key = TrimBlanks(entries.key);
    writeText(record.ssidField(), name, JOIN_NAME_MAX);
    record.setAuthMode(AuthModeAt(entries.authPosition));
    record.setWepKeyIndex(positionByte(entries.wepPosition));
    record.setKeyFormat(positionByte(entries.keyFormatPosition));
    if (!key.empty()) {
        writeText(record.keyField(), key, JOIN_KEY_MAX);
    }
    return true;
}

}  // namespace quillon

#include "ui/main/DeviceColumns.h"

namespace quillon {

namespace {
std::string yesNo(const std::string& stored) {
    return stored == "1" ? "Y" : "N";
}
}  // namespace

RowTextArray RowTexts(const DevInfo& entry) {
    return {entry.name,
            entry.deviceId,
            entry.wirelessText,
            entry.dhcpText,
            entry.ip,
            entry.gateway,
            entry.subnetMask,
            entry.mac,
            entry.swVersion,
            entry.videoCount,
            entry.audioCount,
            entry.alarmInCount,
            entry.alarmOutCount,
            yesNo(entry.audioTalk),
            yesNo(entry.storage),
            entry.webPort,
            entry.videoPort,
            entry.phonePort};
}

}  // namespace quillon

#include "ui/main/DeviceUrls.h"

namespace quillon {

std::string DoubleClickUrl(const DevInfo& entry) {
    std::string url = OpenUrl(entry);
    if (entry.webPort != "80") {
        url += ':';
        url += entry.webPort;
    }
    return url;
}

std::string OpenUrl(const DevInfo& entry) {
    return "http://" + entry.ip;
}

}  // namespace quillon

#include "DeviceProfile.h"

#include <cstdio>

namespace quillon::devsim {

namespace {

// Hosts per /24: .10 to .249, leaving room for a gateway and other machines.
constexpr std::uint32_t HOSTS_PER_NET = 240;
constexpr std::uint32_t FIRST_HOST = 10;

template <typename... Args>
std::string format(const char* pattern, Args... args) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, args...);
    return text;
}

struct Family {
    const char* namePrefix;
    unsigned macByte3;
    const char* netPrefix;
    const char* idPrefix;
};

DeviceProfile numberedDevice(const Family& family, std::uint32_t number) {
    const std::uint32_t index = number - 1;
    const std::uint32_t net = index / HOSTS_PER_NET;
    const std::uint32_t host = FIRST_HOST + index % HOSTS_PER_NET;

    DeviceProfile d;
    d.name = format("%s-%04u", family.namePrefix, number);
    d.mac = format("02:00:%02X:%02X:%02X:%02X", family.macByte3, (number >> 16) & 0xFFu,
                   (number >> 8) & 0xFFu, number & 0xFFu);
    d.ip = format("%s.%u.%u", family.netPrefix, net, host);
    d.gateway = format("%s.%u.1", family.netPrefix, net);
    d.subnetMask = "255.255.255.0";
    d.swVersion = "V4.02.R11.00000517";
    d.deviceId = format("%s%08u", family.idPrefix, number);
    return d;
}

}  // namespace

DeviceProfile generatedDevice(std::uint32_t number) {
    return numberedDevice({"Camera", 0x00, "192.168", "QD"}, number);
}

DeviceProfile configuredDeviceDefaults(std::uint32_t number) {
    return numberedDevice({"Device", 0x01, "172.16", "QC"}, number);
}

}  // namespace quillon::devsim

#pragma once

// One simulated device: everything it puts into its search replies, and how it
// answers. The numbers are kept as the raw bytes and words of the record, so
// a configuration can give any value a real device might send.

#include <cstdint>
#include <string>

#include "WifiProfile.h"

namespace quillon::devsim {

// Which search probes a device answers.
enum class ProbeAnswers { Both, Basic, Extended };

// How a device answers set DHCP: the 16-byte reply with its result, nothing
// (an old device), or a reply cut to 12 or grown to 20 bytes.
enum class DhcpAnswer { Reply, Silent, Short, Long };

struct DeviceProfile {
    std::string name;
    std::string ip;
    std::string gateway;
    std::string subnetMask;
    std::string mac;
    std::string swVersion;
    std::string deviceId;

    // Bytes 144..150 of the record. The search reads them as signed, so a
    // configured -1 is stored as FF.
    std::uint8_t videoCount = 4;
    std::uint8_t audioCount = 4;
    std::uint8_t alarmInCount = 4;
    std::uint8_t alarmOutCount = 1;
    std::uint8_t audioTalk = 1;
    std::uint8_t storage = 1;
    std::uint8_t wifiSupport = 0;

    std::uint8_t capabilityBits = 0x20;  // the network state byte is valid
    std::uint8_t netState = 0;           // DHCP off, wired
    std::uint16_t webPort = 80;
    std::uint16_t videoPort = 34567;
    std::uint16_t phonePort = 34599;

    ProbeAnswers answers = ProbeAnswers::Both;
    // How many times the device answers each probe; 0 keeps it silent.
    std::uint32_t repeat = 1;

    DhcpAnswer dhcpAnswer = DhcpAnswer::Reply;
    std::uint32_t dhcpResult = 0;  // 0 accepts; anything else refuses

    // What it answers on its TCP port (video port) when the simulator serves TCP.
    WifiProfile wifi;

    bool answersBasic() const { return answers != ProbeAnswers::Extended; }
    bool answersExtended() const { return answers != ProbeAnswers::Basic; }
};

// Largest --devices count: the generated addresses stay distinct up to here.
inline constexpr std::uint32_t MAX_GENERATED_DEVICES = 50000;

// Generated device number n (1-based): name "Camera-0001", MAC
// 02:00:00:00:00:01 counting in hex over the last three bytes, IP
// 192.168.0.10 onwards (240 to a /24, gateway .1 of the same /24), device ID
// "QD00000001", and the member defaults above for everything else. Distinct
// for every n up to MAX_GENERATED_DEVICES.
DeviceProfile generatedDevice(std::uint32_t number);

// What a configured device at position n (1-based) holds before its keys are
// applied: like a generated device, but named "Device-0001", with MACs
// 02:00:01:..., addresses from 172.16.0.10 and device IDs "QC00000001", so
// configured and generated devices never collide by default.
DeviceProfile configuredDeviceDefaults(std::uint32_t number);

}  // namespace quillon::devsim

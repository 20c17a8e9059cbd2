// quillon-devsim: simulated devices, the other end of the search protocol, for
// the lab and for trying the tools without a real camera on the network.

#include <cstdio>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include <CLI/CLI.hpp>

#include "DevsimConfig.h"
#include "DevsimServer.h"
#include "TcpServer.h"
#include "net/FrameHeader.h"
#include "platform/SocketLibrary.h"

namespace {

using namespace quillon;
using namespace quillon::devsim;

constexpr int EXIT_USAGE = 2;
constexpr int EXIT_BIND = 3;

constexpr const char* FOOTER = R"(
Config file (JSON): {"devices": [{device}, ...], "modes": ["burst", ...]}
  Device keys, all optional; configured device n defaults to name "Device-000n",
  mac 02:00:01:xx:xx:xx (n in hex), ip 172.16.0.10 onwards, deviceId "QC" + 8 digits:
    name ip gateway subnetMask mac swVersion deviceId   texts, cut to field width - 1
    videoCount audioCount alarmInCount alarmOutCount audioTalk storage wifiSupport
                                                        integers -128..255, one byte
    capabilityBits netState                             0..255 (bytes 151 and 158)
    webPort videoPort phonePort                         0..65535
    answers   "both" | "basic" | "extended"             default "both"
    repeat    0..100, answers to each probe             default 1
    dhcpAnswer "reply" | "silent" | "short" | "long"    set DHCP: 16, no, 12 or 20 bytes
    dhcpResult 0..4294967295, result of the reply       default 0 (accepted)
  Set address (exact MAC match) changes ip, gateway and subnetMask for later
  searches; an accepted set DHCP turns the DHCP bit of netState on.
    wifi      {what the device answers on TCP (--tcp), all keys optional}:
      enabled dhcp                        0..255, bytes 536, 537    default 1, 0
      ip subnetMask gateway mac           texts; default the device's own
      dnsPrimary dnsSecondary             texts; default 10.77.1.53, 0.0.0.0
      flags                               0..0xFFFFFFFF, bytes 636..639
      auxSize                             0..1048576 bytes       default 4096
      setResult                           answer to a settings write, default 0
      networks  [{ssid, key (texts, up to 32 bytes), authMode, wepKeyIndex,
                  signal, connected, keyFormat (0..255)}]  in list order
    Every other byte of the settings block is (offset * 7 + 3) & 0xFF.
  A bad file is reported as "FILE: device N: key "K": what is wrong" (devices
  counted from 1), exit status 2.

Generated devices (--devices N), n = 1..N, after the configured ones:
  name Camera-0001..., mac 02:00:00:00:00:01 counting in hex over the last three
  bytes, ip 192.168.0.10 onwards (240 per /24, gateway .1, mask 255.255.255.0),
  deviceId QD00000001..., swVersion V4.02.R11.00000517, videoCount 4, audioCount 4,
  alarmInCount 4, alarmOutCount 1, audioTalk 1, storage 1, wifiSupport 0,
  capabilityBits 0x20, netState 0, webPort 80, videoPort 34567, phonePort 34599.

Modes:
  burst         every reply datagram back to back (else --spacing-us apart)
  wrong-magic   a record with magic 55 55 AA AB (MAC BA:D0:00:00:00:00) first in
                each basic datagram, and a reply with it before each extended one
  short         a 239-byte and a 12-byte datagram before the real replies
  extended-240  extended replies of 240 bytes, without the device ID
  unterminated  every text fills its field with no NUL (padded with its last
                character, or X)
  mac-case      every device answers each probe once more, its MAC text in the
                other letter case
With --tcp, each device listens at its ip and videoPort (the address must be
this namespace's) and answers the five wireless commands. A join unscrambles the
key and answers 0 when network and key match (marking it connected), else 1.
  tcp-refuse          no listeners: every connection is refused
  tcp-silent          reads the request, never answers
  tcp-header-only     sends the reply header, then nothing
  tcp-trickle         sends replies one byte per send, --trickle-us apart
  tcp-close-mid       closes halfway through the reply payload
  tcp-wrong-magic     replies with the magic 55 55 AA AB
  tcp-huge-length     replies announce 0xFFFFFFFF payload bytes
  tcp-short-settings  a settings reply carries only its first 600 bytes

Log (--log): "recv IP:PORT LEN HEX..." per datagram received, "sent IP:PORT LEN"
per reply sent; "tcp IP:PORT LEN HEX..." per TCP request, "tcp-sent IP:PORT LEN"
per TCP reply. Prints "ready" once listening; SIGTERM or SIGINT ends it.
Exit status: 0 stopped, 2 bad arguments or config, 3 socket or bind failure.
)";

int fail(int status, const std::string& message) {
    std::cerr << "quillon-devsim: " << message << '\n';
    return status;
}

struct Arguments {
    std::string configPath;
    std::uint32_t deviceCount = 0;
    std::string bindAddress = "0.0.0.0";
    std::uint16_t port = DEVICE_PORT;
    std::string logPath;
    std::vector<std::string> modes;
    std::uint32_t spacingUs = 500;
    bool tcp = false;
    std::uint32_t trickleUs = 1000;
};

}  // namespace

int main(int argc, char** argv) {
    const SocketLibrary sockets;

    Arguments args;
    CLI::App app{"quillon-devsim: simulated NVRs and IP cameras answering the search probes"};
    app.footer(FOOTER);
    app.add_option("--config", args.configPath, "JSON file with devices and modes");
    app.add_option("--devices", args.deviceCount, "Generated devices to add")
        ->check(CLI::Range(std::uint32_t{0}, MAX_GENERATED_DEVICES));
    app.add_option("--bind", args.bindAddress, "Address of the UDP socket")
        ->capture_default_str()
        ->check(CLI::ValidIPV4);
    app.add_option("--port", args.port, "Port of the UDP socket")->capture_default_str();
    app.add_option("--log", args.logPath, "Log every datagram received and sent to this file");
    app.add_option("--mode", args.modes, "Hostile mode (repeatable); see below")
        ->check(CLI::IsMember(modeNames()));
    app.add_option("--spacing-us", args.spacingUs, "Pause between reply datagrams, microseconds")
        ->capture_default_str()
        ->check(CLI::Range(0, 10'000'000));
    app.add_flag("--tcp", args.tcp, "Serve the wireless commands at each device's ip:videoPort");
    app.add_option("--trickle-us", args.trickleUs,
                   "Pause between bytes in tcp-trickle, microseconds")
        ->capture_default_str()
        ->check(CLI::Range(0, 1'000'000));
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : EXIT_USAGE;
    }

    DevsimConfig config;
    if (!args.configPath.empty()) {
        ConfigLoad loaded = loadConfigFile(args.configPath);
        if (!loaded.config) {
            return fail(EXIT_USAGE, loaded.error);
        }
        config = std::move(*loaded.config);
    }
    for (std::uint32_t n = 1; n <= args.deviceCount; ++n) {
        config.devices.push_back(generatedDevice(n));
    }
    for (const std::string& mode : args.modes) {
        applyModeName(config.modes, mode);
    }

    DatagramLog log;
    std::string error;
    if (!args.logPath.empty() && !log.open(args.logPath, error)) {
        return fail(EXIT_USAGE, error);
    }

    const StopSignal stop;
    if (!stop.installed()) {
        return fail(EXIT_BIND, "cannot set up the stop signal");
    }
    // The TCP side keeps its own copy: the UDP planner owns the other.
    const DevsimConfig tcpConfig = config;
    TcpServer tcp(tcpConfig, log, stop, std::chrono::microseconds(args.trickleUs));
    ReplyPlanner planner(std::move(config));
    DevsimServer server(planner, log, stop);
    if (!server.bind(args.bindAddress, args.port, error)) {
        return fail(EXIT_BIND, error);
    }
    if (args.tcp && !tcp.open(error)) {
        return fail(EXIT_BIND, error);
    }
    std::thread tcpThread;
    if (args.tcp) {
        tcpThread = std::thread([&tcp] { tcp.run(); });
    }
    std::fputs("ready\n", stdout);
    std::fflush(stdout);

    const bool ok = server.run(std::chrono::microseconds(args.spacingUs));
    if (tcpThread.joinable()) {
        tcp.stop();
        tcpThread.join();
    }
    return ok ? 0 : EXIT_BIND;
}

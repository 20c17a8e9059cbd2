#include "WifiCommands.h"

#include <arpa/inet.h>

#include <array>
#include <cstdio>
#include <iostream>
#include <vector>

#include <nlohmann/json.hpp>

#include "TextTable.h"
#include "net/AddressText.h"
#include "net/ByteReader.h"
#include "net/FieldScrambling.h"
#include "net/FrameHeader.h"
#include "net/TcpRequest.h"
#include "net/WifiJoinRecord.h"
#include "net/WifiNetworkList.h"
#include "net/WifiSettingsBlock.h"

namespace quillon {

namespace {

constexpr int EXIT_REFUSED = 1;
constexpr int EXIT_USAGE = 2;
constexpr int EXIT_NO_CONNECTION = 3;

// The WiFi page's texts.
constexpr const char* DEVICE_STATE_ERROR = "The device state error, operation failed!";
constexpr const char* SUCCEEDED = "Operation Succeeded!";
constexpr const char* JOIN_FAILED = "Operation failed!";

std::string ipv4Check(const std::string& text) {
    in_addr parsed{};
    return ::inet_pton(AF_INET, text.c_str(), &parsed) == 1 ? std::string()
                                                            : "not an IPv4 address: " + text;
}

// A failed exchange: 3 when no connection was made, else 1.
int exchangeFailed(int result, const char* message) {
    std::cout << message << '\n';
    return result == -2 ? EXIT_NO_CONNECTION : EXIT_REFUSED;
}

std::string hex32(std::uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", v);
    return text;
}

const std::vector<std::pair<std::string, int>> AUTH_NAMES = {
    {"none", 0}, {"wep", 1}, {"wpa-psk", 2}, {"wpa2-psk", 3}, {"wpa-wpa2-psk", 4}};

}  // namespace

WifiCommands::WifiCommands(CLI::App& app) {
    m_wifi = app.add_subcommand("wifi", "A device's wireless settings and networks (TCP)");
    m_wifi->require_subcommand(1);
    m_wifi->add_option("--ip", m_ip, "The device's IPv4 address")->required()->check(ipv4Check);
    m_wifi->add_option("--port", m_port, "The device's video port")
        ->capture_default_str()
        ->check(CLI::Range(1, 65535));

    m_get = m_wifi->add_subcommand("get", "Show the wireless settings the device reports");
    m_get->add_flag("--json", m_json, "Print them as a JSON object");

    m_set = m_wifi->add_subcommand("set",
                                   "Read the settings, change what is given, and submit them back");
    const auto onOff = CLI::IsMember({"on", "off"});
    m_set->add_option("--wifi", m_wifiOn, "Wireless interface on or off")->check(onOff);
    m_set->add_option("--dhcp", m_dhcpOn, "DHCP on the wireless interface on or off")->check(onOff);
    m_set->add_option("--addr", m_addr, "IP address")->check(ipv4Check);
    m_set->add_option("--mask", m_mask, "Subnet mask")->check(ipv4Check);
    m_set->add_option("--gateway", m_gateway, "Gateway")->check(ipv4Check);
    m_set->add_option("--dns1", m_dns1, "Main DNS server")->check(ipv4Check);
    m_set->add_option("--dns2", m_dns2, "Minor DNS server")->check(ipv4Check);

    m_list = m_wifi->add_subcommand("list", "The wireless networks the device sees");
    m_list->add_flag("--json", m_json, "Print the records as a JSON array");

    m_join = m_wifi->add_subcommand("join", "Make the device join a wireless network");
    m_join->add_option("--ssid", m_ssid, "Network name (at most 32 characters)")->required();
    std::vector<std::string> authNames;
    for (const auto& [name, position] : AUTH_NAMES) {
        authNames.push_back(name);
    }
    m_join->add_option("--auth", m_auth, "Security mode")
        ->required()
        ->check(CLI::IsMember(authNames));
    m_join->add_option("--wep-key", m_wepKey, "WEP key slot")->check(CLI::Range(1, 4));
    m_join->add_option("--key-format", m_keyFormat, "Key format")
        ->capture_default_str()
        ->check(CLI::IsMember({"ascii", "hex"}));
    m_join->add_option("--key", m_key, "Network key (at most 16 characters)");
}

int WifiCommands::run() {
    SetTarget(m_ip, std::to_string(m_port));
    if (m_get->parsed()) {
        return get();
    }
    if (m_set->parsed()) {
        return set();
    }
    if (m_list->parsed()) {
        return list();
    }
    return join();
}

// Reads the whole settings block. A shorter reply leaves the rest of the
// block as this process started it, zeros: shown, they would pass for the
// device's values, and submitted, they would overwrite its settings.
int WifiCommands::readSettings() {
    const int r = TcpRequest(g_wifiSettings.bytes(), CMD_WIFI_GET_SETTINGS);
    if (r < 0) {
        return exchangeFailed(r, DEVICE_STATE_ERROR);
    }
    if (static_cast<std::size_t>(r) < WIFI_SETTINGS_SIZE) {
        std::cerr << "quillon-cli: the device sent " << r << " of the " << WIFI_SETTINGS_SIZE
                  << " bytes of its settings\n";
        return exchangeFailed(-1, DEVICE_STATE_ERROR);
    }
    return 0;
}

int WifiCommands::get() {
    if (const int status = readSettings(); status != 0) {
        return status;
    }
    const WifiSettingsBlock& s = g_wifiSettings;
    if (m_json) {
        const nlohmann::json out = {
            {"wifiEnabled", s.wifiEnabled()},
            {"dhcpEnabled", s.dhcpEnabled()},
            {"ip", BytesToText(s.ip(), 4)},
            {"subnetMask", BytesToText(s.subnetMask(), 4)},
            {"gateway", BytesToText(s.gateway(), 4)},
            {"dnsPrimary", BytesToText(s.dnsPrimary(), 4)},
            {"dnsSecondary", BytesToText(s.dnsSecondary(), 4)},
            {"mac", BytesToText(s.mac(), 6)},
            {"flags", s.flags()},
        };
        std::cout << out.dump(2) << '\n';
        return 0;
    }
    TextTable table({"Field", "Value"});
    table.addRow({"WIFI", s.wifiEnabled() != 0 ? "on" : "off"});
    table.addRow({"DHCP", s.dhcpEnabled() != 0 ? "on" : "off"});
    table.addRow({"IP Addr", BytesToText(s.ip(), 4)});
    table.addRow({"Subnet Mask", BytesToText(s.subnetMask(), 4)});
    table.addRow({"Gateway", BytesToText(s.gateway(), 4)});
    table.addRow({"MAC", BytesToText(s.mac(), 6)});
    table.addRow({"Main DNS Server", BytesToText(s.dnsPrimary(), 4)});
    table.addRow({"Minor DNS Server", BytesToText(s.dnsSecondary(), 4)});
    table.addRow({"Flags", hex32(s.flags())});
    std::cout << table.render();
    return 0;
}

int WifiCommands::set() {
    if (const int status = readSettings(); status != 0) {
        return status;
    }
    WifiSettingsBlock& s = g_wifiSettings;
    if (!m_wifiOn.empty()) {
        s.setWifiEnabled(m_wifiOn == "on" ? 1 : 0);
    }
    if (!m_dhcpOn.empty()) {
        s.setDhcpEnabled(m_dhcpOn == "on" ? 1 : 0);
    }
    const std::pair<const std::string*, WifiSettingsBlock::Address> addresses[] = {
        {&m_addr, s.ip()},
        {&m_mask, s.subnetMask()},
        {&m_gateway, s.gateway()},
        {&m_dns1, s.dnsPrimary()},
        {&m_dns2, s.dnsSecondary()}};
    for (const auto& [text, field] : addresses) {
        if (!text->empty()) {
            TextToBytes(field, 4, *text);
        }
    }
    s.setFlags(s.flags() | WIFI_SUBMIT_FLAG);
    bool connected = false;
    const int result = SubmitWifiSettings(nullptr, &connected);
    if (result < 0) {
        return exchangeFailed(connected ? -1 : -2, DEVICE_STATE_ERROR);
    }
    std::cout << SUCCEEDED << '\n';
    return 0;
}

int WifiCommands::list() {
    std::vector<std::uint8_t> buffer(NETWORK_LIST_BUFFER_SIZE, 0);
    const int n = TcpRequest(buffer, CMD_WIFI_LIST_NETWORKS);
    if (n <= 0) {
        // A reply without records is the page's device-state error too.
        return exchangeFailed(n, DEVICE_STATE_ERROR);
    }
    std::vector<WifiNetworkRecord> networks =
        ParseNetworkList(std::span(buffer).first(static_cast<std::size_t>(n)));
    const std::vector<NetworkRow> rows = FillNetworkRows(networks);
    if (m_json) {
        nlohmann::json out = nlohmann::json::array();
        for (const WifiNetworkRecord& r : networks) {
            // Names are device bytes, not necessarily UTF-8: escape the rest.
            out.push_back({{"ssid", TextTable::printable(r.ssid())},
                           {"authMode", r.authMode()},
                           {"wepKeyIndex", r.wepKeyIndex()},
                           {"signal", r.signal()},
                           {"connected", r.connected()},
                           {"keyFormat", r.keyFormat()}});
        }
        std::cout << out.dump(2) << '\n';
        return 0;
    }
    TextTable table({std::string(NETWORK_COLUMN_TITLES[0]), std::string(NETWORK_COLUMN_TITLES[1]),
                     std::string(NETWORK_COLUMN_TITLES[2]), std::string(NETWORK_COLUMN_TITLES[3])});
    for (const NetworkRow& row : rows) {
        table.addRow({row.name, row.status, row.signal, row.encryption});
    }
    std::cout << table.render();
    return 0;
}

int WifiCommands::join() {
    int authPosition = 0;
    for (const auto& [name, position] : AUTH_NAMES) {
        if (name == m_auth) {
            authPosition = position;
        }
    }
    const std::string name = TrimBlanks(m_ssid);
    const std::string key = TrimBlanks(m_key);
    if (name.size() > JOIN_NAME_MAX || key.size() > JOIN_KEY_MAX) {
        std::cerr << "quillon-cli: --ssid takes at most " << JOIN_NAME_MAX
                  << " characters and --key at most " << JOIN_KEY_MAX << '\n';
        return EXIT_USAGE;
    }
    // As the dialog in add mode: choosing WEP selects the first slot.
    int wepPosition = NO_SELECTION;
    if (m_wepKey > 0) {
        wepPosition = m_wepKey - 1;
    } else if (authPosition == AUTH_POSITION_WEP) {
        wepPosition = 0;
    }
    WifiNetworkRecord record;
    if (!BuildJoinRecord(record, {.name = name,
                                  .key = key,
                                  .authPosition = authPosition,
                                  .wepPosition = wepPosition,
                                  .keyFormatPosition = m_keyFormat == "hex" ? 1 : 0})) {
        std::cerr << "quillon-cli: " << INCORRECT_NAME_TEXT << '\n';
        return EXIT_USAGE;
    }
    ScrambleField(record.keyField());
    std::array<std::uint8_t, 4> result{0xFF, 0xFF, 0xFF, 0xFF};
    const int r = TcpRequest(result, CMD_WIFI_JOIN, record.bytes());
    if (ByteReader(result).u32(0) != 0) {
        return exchangeFailed(r, JOIN_FAILED);
    }
    std::cout << SUCCEEDED << '\n';
    return 0;
}

}  // namespace quillon

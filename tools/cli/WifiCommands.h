#pragma once

// quillon-cli wifi: a device's wireless settings and networks over the TCP
// command channel, doing what the WiFi page and its join dialog do.

#include <cstdint>
#include <string>

#include <CLI/CLI.hpp>

namespace quillon {

class WifiCommands {
public:
    // Adds "wifi" with get, set, list and join to app.
    explicit WifiCommands(CLI::App& app);

    bool chosen() const { return m_wifi->parsed(); }
    // After parsing: 0 done, 1 the device refused or the exchange failed,
    // 2 bad input, 3 no connection.
    int run();

private:
    int readSettings();
    int get();
    int set();
    int list();
    int join();

    CLI::App* m_wifi = nullptr;
    CLI::App* m_get = nullptr;
    CLI::App* m_set = nullptr;
    CLI::App* m_list = nullptr;
    CLI::App* m_join = nullptr;

    std::string m_ip;
    int m_port = 34567;
    bool m_json = false;

    std::string m_wifiOn;
    std::string m_dhcpOn;
    std::string m_addr;
    std::string m_mask;
    std::string m_gateway;
    std::string m_dns1;
    std::string m_dns2;

    std::string m_ssid;
    std::string m_auth;
    int m_wepKey = 0;
    std::string m_keyFormat = "ascii";
    std::string m_key;
};

}  // namespace quillon

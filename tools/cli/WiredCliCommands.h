#pragma once

// quillon-cli set-address and set-dhcp: the window's wired commands from a
// terminal, with the same adapter choice, messages and waits. Each adapter's
// thread prints "ADAPTER: TEXT" with its outcome; the refreshed device table
// follows.

#include <functional>
#include <memory>
#include <string>

#include <CLI/CLI.hpp>

namespace quillon {

class WiredCliCommands {
public:
    // Adds both subcommands to app.
    explicit WiredCliCommands(CLI::App& app);

    // True when the parsed command line chose one of them.
    bool chosen() const;

    // Runs the chosen command, then printTable (the refresh). Returns the
    // exit status: 0 every adapter succeeded, 1 any failed, 2 bad arguments.
    int run(const std::function<int()>& printTable);

private:
    CLI::App* m_setAddress = nullptr;
    CLI::App* m_setDhcp = nullptr;
    std::string m_mac;
    std::string m_ip;
    std::string m_mask;
    std::string m_gateway;
};

}  // namespace quillon

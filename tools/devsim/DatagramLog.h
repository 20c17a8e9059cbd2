#pragma once

// The record of what the simulator saw and sent, for tests to check: one line
// per datagram, written through at once so a reader never waits on a buffer.
//   recv 10.77.1.1:10042 12 55 55 AA AA 00 00 00 00 00 00 01 90
//   sent 10.77.1.1:10042 8160
// and one per TCP request and reply, the same way:
//   tcp 10.77.1.1:40312 12 55 55 AA AA 00 00 00 00 00 00 12 A1
//   tcp-sent 10.77.1.1:40312 156

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quillon::devsim {

class DatagramLog {
public:
    // Without open() the log writes nothing.
    DatagramLog() = default;
    ~DatagramLog();
    DatagramLog(const DatagramLog&) = delete;
    DatagramLog& operator=(const DatagramLog&) = delete;

    // Appends to the file, so simulators that share one log keep each
    // other's lines. False, with the reason in error, when it cannot be opened.
    bool open(const std::string& path, std::string& error);

    void received(std::string_view address, std::uint16_t port,
                  std::span<const std::uint8_t> bytes);
    void sent(std::string_view address, std::uint16_t port, std::size_t length);
    void tcpReceived(std::string_view address, std::uint16_t port,
                     std::span<const std::uint8_t> bytes);
    void tcpSent(std::string_view address, std::uint16_t port, std::size_t length);

    // The lines, without their newline.
    static std::string receivedLine(std::string_view address, std::uint16_t port,
                                    std::span<const std::uint8_t> bytes);
    static std::string sentLine(std::string_view address, std::uint16_t port, std::size_t length);

private:
    void writeLine(std::string line);

    int m_fd = -1;
};

}  // namespace quillon::devsim

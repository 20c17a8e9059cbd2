#include "DatagramLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quillon::devsim {

namespace {

std::string endpoint(std::string_view address, std::uint16_t port) {
    return std::string(address) + ":" + std::to_string(port);
}

}  // namespace

DatagramLog::~DatagramLog() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool DatagramLog::open(const std::string& path, std::string& error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = path + ": cannot be opened for writing: " + std::strerror(errno);
        return false;
    }
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    m_fd = fd;
    return true;
}

std::string DatagramLog::receivedLine(std::string_view address, std::uint16_t port,
                                      std::span<const std::uint8_t> bytes) {
    static constexpr char HEX[] = "0123456789ABCDEF";
    std::string line = "recv " + endpoint(address, port) + " " + std::to_string(bytes.size());
    line.reserve(line.size() + 3 * bytes.size());
    for (const std::uint8_t b : bytes) {
        line += ' ';
        line += HEX[b >> 4];
        line += HEX[b & 0x0F];
    }
    return line;
}

std::string DatagramLog::sentLine(std::string_view address, std::uint16_t port,
                                  std::size_t length) {
    return "sent " + endpoint(address, port) + " " + std::to_string(length);
}

void DatagramLog::received(std::string_view address, std::uint16_t port,
                           std::span<const std::uint8_t> bytes) {
    if (m_fd >= 0) {
        writeLine(receivedLine(address, port, bytes));
    }
}

void DatagramLog::sent(std::string_view address, std::uint16_t port, std::size_t length) {
    if (m_fd >= 0) {
        writeLine(sentLine(address, port, length));
    }
}

void DatagramLog::tcpReceived(std::string_view address, std::uint16_t port,
                              std::span<const std::uint8_t> bytes) {
    if (m_fd >= 0) {
        writeLine("tcp" + receivedLine(address, port, bytes).substr(4));
    }
}

void DatagramLog::tcpSent(std::string_view address, std::uint16_t port, std::size_t length) {
    if (m_fd >= 0) {
        writeLine("tcp-" + sentLine(address, port, length));
    }
}

void DatagramLog::writeLine(std::string line) {
    // One write per line, straight to the file: with O_APPEND the lines of
    // simulators sharing a log never interleave, and a test reading the file
    // sees each line as soon as the datagram has been handled.
    line += '\n';
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(m_fd, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;  // a full disk must not stop the devices answering
        }
        done += static_cast<std::size_t>(n);
    }
}

}  // namespace quillon::devsim

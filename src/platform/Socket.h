#pragma once

// The thin names the protocol code uses for sockets, so that it reads the same
// on every platform, and the RAII owner that closes a socket on every path.

#include <utility>

namespace quillon {

using SOCKET = int;
inline constexpr SOCKET INVALID_SOCKET = -1;

// Closes the descriptor; returns 0 or -1 like close().
int closesocket(SOCKET s);

// Owns one socket descriptor and closes it when it goes out of scope.
class UniqueSocket {
public:
    UniqueSocket() = default;
    explicit UniqueSocket(SOCKET s) : m_socket(s) {}
    ~UniqueSocket() { reset(); }

    UniqueSocket(const UniqueSocket&) = delete;
    UniqueSocket& operator=(const UniqueSocket&) = delete;
    UniqueSocket(UniqueSocket&& other) noexcept : m_socket(other.release()) {}
    UniqueSocket& operator=(UniqueSocket&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    SOCKET get() const { return m_socket; }
    bool valid() const { return m_socket != INVALID_SOCKET; }
    explicit operator bool() const { return valid(); }

    SOCKET release() { return std::exchange(m_socket, INVALID_SOCKET); }
    void reset(SOCKET s = INVALID_SOCKET) {
        if (m_socket != INVALID_SOCKET) {
            closesocket(m_socket);
        }
        m_socket = s;
    }

private:
    SOCKET m_socket = INVALID_SOCKET;
};

}  // namespace quillon

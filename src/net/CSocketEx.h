#pragma once

// The TCP connection to one device, for one exchange at a time: opened with a
// bounded wait, used in blocking mode behind bounded waits, closed after the
// exchange. There is one for the whole process (Instance()).

#include <netinet/in.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <span>

#include "platform/Socket.h"

namespace quillon {

class CancelToken;

inline constexpr int CONNECT_TIMEOUT_S = 10;
inline constexpr int SEND_TIMEOUT_S = 3;
inline constexpr int RECEIVE_TIMEOUT_S = 22;

struct TcpTimeouts {
    std::chrono::milliseconds connect{CONNECT_TIMEOUT_S * 1000};
    std::chrono::milliseconds send{SEND_TIMEOUT_S * 1000};
    std::chrono::milliseconds receive{RECEIVE_TIMEOUT_S * 1000};
};

// The waits in force: the constants above unless a test shortened them.
TcpTimeouts CurrentTcpTimeouts();
// Replaces the waits until ResetTcpTimeoutsForTesting (for testing).
void SetTcpTimeoutsForTesting(const TcpTimeouts& timeouts);
void ResetTcpTimeoutsForTesting();

class CSocketEx {
public:
    static CSocketEx& Instance();

    virtual ~CSocketEx();
    CSocketEx(const CSocketEx&) = delete;
    CSocketEx& operator=(const CSocketEx&) = delete;

    // Opens the connection to g_targetIp:g_targetPort. 0 connected; -1 no
    // socket; -2 the blocking-mode switch failed; -3 not connected within the
    // connect wait: refused, unreachable, silent, cancelled, or a target that
    // is no IPv4 address or port (nothing is sent for those). The attempt's
    // end is judged by the socket's pending error, never by writability alone.
    // Every failure leaves the socket closed.
    int Connect();

    // Waits up to the send wait for room, then hands over the data; more
    // passes follow while the kernel takes part of it, each with a fresh
    // wait. Returns the bytes accepted (count when all went), or -1 when
    // nothing could be sent or the exchange was cancelled.
    int Send(std::span<const std::uint8_t> data);

    // Reads until buffer is full. Each pass waits up to the receive wait for
    // data; when one passes without any, returns what arrived so far (maybe
    // 0). -1 when the device closed the connection, the socket failed, or
    // the exchange was cancelled. Never writes past buffer.
    int Receive(std::span<std::uint8_t> buffer);

    // Shuts down the receive direction, closes, marks the socket invalid.
    void Close();

    bool IsOpen() const { return m_socket.load() != INVALID_SOCKET; }

    // The cancellation the waits watch, or null; set by the request
    // procedures for the length of one exchange.
    void SetCancelToken(const CancelToken* cancel) { m_cancel = cancel; }

private:
    CSocketEx() = default;

    enum class WaitResult { Ready, TimedOut, Cancelled, Failed };
    WaitResult waitFor(short events, std::chrono::milliseconds timeout) const;
    bool setBlocking(bool blocking) const;
    int fail(int result);

    std::atomic<SOCKET> m_socket{INVALID_SOCKET};
    sockaddr_in m_peer{};
    const CancelToken* m_cancel = nullptr;
};

}  // namespace quillon

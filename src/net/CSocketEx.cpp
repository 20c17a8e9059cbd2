#include "net/CSocketEx.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "net/CancelToken.h"
#include "net/TcpRequest.h"

namespace quillon {

namespace {

using std::chrono::milliseconds;

std::atomic<long long> g_connectMs{CONNECT_TIMEOUT_S * 1000};
std::atomic<long long> g_sendMs{SEND_TIMEOUT_S * 1000};
std::atomic<long long> g_receiveMs{RECEIVE_TIMEOUT_S * 1000};

// Without an event descriptor a wait looks at the token this often.
constexpr milliseconds CANCEL_CHECK_SLICE{50};

}  // namespace

TcpTimeouts CurrentTcpTimeouts() {
    return {milliseconds(g_connectMs.load()), milliseconds(g_sendMs.load()),
            milliseconds(g_receiveMs.load())};
}

void SetTcpTimeoutsForTesting(const TcpTimeouts& timeouts) {
    g_connectMs = timeouts.connect.count();
    g_sendMs = timeouts.send.count();
    g_receiveMs = timeouts.receive.count();
}

void ResetTcpTimeoutsForTesting() {
    SetTcpTimeoutsForTesting(TcpTimeouts{});
}

CSocketEx& CSocketEx::Instance() {
    static CSocketEx instance;
    return instance;
}

CSocketEx::~CSocketEx() {
    Close();
}

CSocketEx::WaitResult CSocketEx::waitFor(short events, milliseconds timeout) const {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    const int cancelFd = m_cancel != nullptr ? m_cancel->fd() : -1;
    for (;;) {
        if (m_cancel != nullptr && m_cancel->cancelled()) {
            return WaitResult::Cancelled;
        }
        const auto left = std::chrono::ceil<milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return WaitResult::TimedOut;
        }
        milliseconds slice = left;
        if (m_cancel != nullptr && cancelFd < 0) {
            slice = std::min(slice, CANCEL_CHECK_SLICE);
        }
        pollfd fds[2] = {{m_socket.load(), events, 0}, {cancelFd, POLLIN, 0}};
        const int ready = ::poll(fds, cancelFd >= 0 ? 2 : 1, static_cast<int>(slice.count()));
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return WaitResult::Failed;
        }
        if (cancelFd >= 0 && fds[1].revents != 0) {
            return WaitResult::Cancelled;
        }
        if (fds[0].revents != 0) {
            // Errors and hang-ups count as ready: the call that follows
            // reports them.
            return WaitResult::Ready;
        }
    }
}

bool CSocketEx::setBlocking(bool blocking) const {
    const SOCKET s = m_socket.load();
    const int flags = ::fcntl(s, F_GETFL);
    if (flags < 0) {
        return false;
    }
    const int wanted = blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK;
    return ::fcntl(s, F_SETFL, wanted) == 0;
}

int CSocketEx::fail(int result) {
    const SOCKET s = m_socket.exchange(INVALID_SOCKET);
    if (s != INVALID_SOCKET) {
        closesocket(s);
    }
    return result;
}

int CSocketEx::Connect() {
    // A connection to a nearby device completes inside connect() itself, so
    // an exchange abandoned before it began must be refused here, before the
    // device sees a connection at all.
    if (m_cancel != nullptr && m_cancel->cancelled()) {
        return -2;
    }
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s == INVALID_SOCKET) {
        return -1;
    }
    m_socket = s;

    m_peer = sockaddr_in{};
    m_peer.sin_family = AF_INET;
    m_peer.sin_port = htons(static_cast<std::uint16_t>(g_targetPort));
    const std::string_view text(g_targetIp.data(),
                                std::find(g_targetIp.begin(), g_targetIp.end(), '\0'));
    const bool addressOk = ::inet_pton(AF_INET, std::string(text).c_str(), &m_peer.sin_addr) == 1;
    const bool portOk = g_targetPort > 0 && g_targetPort <= 65535;

    if (!setBlocking(false)) {
        return fail(-2);
    }
    // An address or port that can't be reached is a failed attempt, decided
    // here instead of by whatever the kernel would make of it.
    if (!addressOk || !portOk) {
        return fail(-3);
    }
    const int started = ::connect(s, reinterpret_cast<const sockaddr*>(&m_peer), sizeof m_peer);
    if (started != 0 && errno != EINPROGRESS && errno != EINTR) {
        return fail(-3);
    }
    if (started != 0 && waitFor(POLLOUT, CurrentTcpTimeouts().connect) != WaitResult::Ready) {
        return fail(-3);
    }
    // Writability also ends a failed attempt; the pending error tells which.
    int pending = 0;
    socklen_t size = sizeof pending;
    if (::getsockopt(s, SOL_SOCKET, SO_ERROR, &pending, &size) != 0 || pending != 0) {
        return fail(-3);
    }
    if (!setBlocking(true)) {
        return fail(-2);
    }
    return 0;
}

int CSocketEx::Send(std::span<const std::uint8_t> data) {
    if (!IsOpen()) {
        return -1;
    }
    std::size_t sent = 0;
    while (sent < data.size()) {
        if (waitFor(POLLOUT, CurrentTcpTimeouts().send) != WaitResult::Ready) {
            break;
        }
        const ssize_t n = ::send(m_socket.load(), data.data() + sent, data.size() - sent,
                                 MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
                continue;
            }
            return -1;
        }
        sent += static_cast<std::size_t>(n);
    }
    if (sent == 0 && !data.empty()) {
        return -1;
    }
    return static_cast<int>(sent);
}

int CSocketEx::Receive(std::span<std::uint8_t> buffer) {
    if (!IsOpen()) {
        return -1;
    }
    std::size_t got = 0;
    while (got < buffer.size()) {
        const WaitResult waited = waitFor(POLLIN, CurrentTcpTimeouts().receive);
        if (waited == WaitResult::Cancelled) {
            return -1;
        }
        if (waited != WaitResult::Ready) {
            break;
        }
        const ssize_t n =
            ::recv(m_socket.load(), buffer.data() + got, buffer.size() - got, MSG_DONTWAIT);
        if (n == 0) {
            return -1;
        }
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
                continue;
            }
            return -1;
        }
        got += static_cast<std::size_t>(n);
    }
    return static_cast<int>(got);
}

void CSocketEx::Close() {
    const SOCKET s = m_socket.exchange(INVALID_SOCKET);
    if (s != INVALID_SOCKET) {
        ::shutdown(s, SHUT_RD);
        closesocket(s);
    }
}

}  // namespace quillon

#include "net/TcpRequest.h"

#include <algorithm>
#include <mutex>
#include <new>
#include <vector>

#include "net/ByteReader.h"
#include "net/CSocketEx.h"
#include "net/FrameHeader.h"
#include "net/WifiSettingsBlock.h"

namespace quillon {

std::array<char, TARGET_IP_SIZE> g_targetIp{};
int g_targetPort = 0;

namespace {

// The one channel carries one exchange at a time.
std::mutex g_channelMutex;

// Holds the channel for one exchange and watches the caller's cancellation
// while it does; closes the connection on every way out.
class Exchange {
public:
    explicit Exchange(const CancelToken* cancel) : m_lock(g_channelMutex) {
        socket().SetCancelToken(cancel);
    }
    ~Exchange() {
        socket().Close();
        socket().SetCancelToken(nullptr);
    }
    Exchange(const Exchange&) = delete;
    Exchange& operator=(const Exchange&) = delete;

    static CSocketEx& socket() { return CSocketEx::Instance(); }

private:
    std::lock_guard<std::mutex> m_lock;
};

bool sendAll(std::span<const std::uint8_t> request) {
    return Exchange::socket().Send(request) == static_cast<int>(request.size());
}

// The reply header, when all 12 bytes came and they open with the magic.
std::optional<FrameHeader> receiveHeader() {
    std::array<std::uint8_t, FRAME_HEADER_SIZE> bytes{};
    if (Exchange::socket().Receive(bytes) != static_cast<int>(bytes.size())) {
        return std::nullopt;
    }
    auto header = FrameHeader::Decode(bytes);
    if (!header || header->magic != FRAME_MAGIC) {
        return std::nullopt;
    }
    return header;
}

std::vector<std::uint8_t> buildRequest(std::uint16_t command,
                                       std::span<const std::uint8_t> payload) {
    std::vector<std::uint8_t> request(FRAME_HEADER_SIZE + payload.size());
    const auto header =
        FrameHeader{.length = static_cast<std::uint32_t>(payload.size()), .command = command}
            .Encode();
    std::copy(header.begin(), header.end(), request.begin());
    std::copy(payload.begin(), payload.end(), request.begin() + FRAME_HEADER_SIZE);
    return request;
}

}  // namespace

void SetTarget(std::string_view ip, std::string_view videoPortText) {
    // Under the channel's lock: an abandoned exchange may still be reading
    // the old target while a new dialog aims the channel elsewhere.
    const std::lock_guard lock(g_channelMutex);
    g_targetIp.fill('\0');
    std::copy_n(ip.begin(), std::min(ip.size(), TARGET_IP_SIZE - 1), g_targetIp.begin());
    // Leading digits only, as the port column shows them; large numbers stop
    // growing rather than wrap, and Connect refuses what is no port.
    long long port = 0;
    for (const char c : videoPortText) {
        if (c < '0' || c > '9') {
            break;
        }
        port = std::min<long long>(port * 10 + (c - '0'), 1'000'000);
    }
    g_targetPort = static_cast<int>(port);
}

int TcpRequest(std::span<std::uint8_t> replyBuffer, std::uint16_t command,
               std::span<const std::uint8_t> payload, const CancelToken* cancel) {
    const Exchange exchange(cancel);
    if (g_targetIp[0] == '\0') {
        return -1;
    }
    if (Exchange::socket().Connect() < 0) {
        return -2;
    }
    std::vector<std::uint8_t> request;
    try {
        request = buildRequest(command, payload);
    } catch (const std::bad_alloc&) {
        return -2;
    }
    if (!sendAll(request)) {
        return -1;
    }
    if (replyBuffer.data() == nullptr) {
        return 0;
    }
    const auto header = receiveHeader();
    if (!header) {
        return -1;
    }
    // The length is the device's word: more than the caller has room for is
    // a failed reply, never a reason to write past the buffer.
    const std::uint32_t announced = header->length;
    if (announced == 0) {
        return 0;
    }
    if (announced > replyBuffer.size() || announced > static_cast<std::uint32_t>(INT32_MAX)) {
        return -1;
    }
    std::size_t got = 0;
    while (got < announced) {
        const int n = Exchange::socket().Receive(replyBuffer.subspan(got, announced - got));
        if (n <= 0) {
            return -1;
        }
        got += static_cast<std::size_t>(n);
    }
    return static_cast<int>(announced);
}

int SubmitWifiSettings(const CancelToken* cancel, bool* connected) {
    if (connected != nullptr) {
        *connected = false;
    }
    std::vector<std::uint8_t> request;
    try {
        request = buildRequest(CMD_WIFI_SET_SETTINGS, g_wifiSettings.bytes());
    } catch (const std::bad_alloc&) {
        return -1;
    }
    const Exchange exchange(cancel);
    if (Exchange::socket().Connect() < 0) {
        return -1;
    }
    if (connected != nullptr) {
        *connected = true;
    }
    if (!sendAll(request) || !receiveHeader()) {
        return -1;
    }
    std::array<std::uint8_t, 4> result{};
    if (Exchange::socket().Receive(result) != static_cast<int>(result.size())) {
        return -1;
    }
    return static_cast<std::int32_t>(ByteReader(result).u32(0));
}

}  // namespace quillon

#include "discovery/SearchWorker.h"

#include <algorithm>
#include <vector>

#include "net/DeviceRecord.h"
#include "net/FrameHeader.h"
#include "net/UdpTransport.h"
#include "platform/Tick.h"

namespace quillon {

namespace {
std::atomic<std::uint32_t> g_searchWindowMs{SEARCH_WINDOW_MS};
}

void SetSearchWindowForTesting(std::uint32_t ms) {
    g_searchWindowMs.store(ms);
}

void AdapterSlot::setAddress(std::string_view text) {
    address.fill('\0');
    std::copy_n(text.begin(), std::min(text.size(), address.size() - 1), address.begin());
}

std::string_view AdapterSlot::addressText() const {
    const auto end = std::find(address.begin(), address.end(), '\0');
    return std::string_view(address.data(), static_cast<std::size_t>(end - address.begin()));
}

SearchOutcome RunSearch(AdapterSlot slot, SearchKind kind) {
    const std::shared_ptr<SearchTables> owner = std::move(slot.owner);
    if (!owner) {
        return SearchOutcome::SocketFailed;
    }
    SearchResultTable& table =
        kind == SearchKind::Basic ? owner->m_basicTable : owner->m_extendedTable;

    UniqueSocket socket;
    if (!OpenBroadcastSocket(socket, slot.addressText())) {
        return SearchOutcome::SocketFailed;
    }
    SetReceiveBuffer(socket.get(), SEARCH_SOCKET_BUFFER);

    const auto probe = kind == SearchKind::Basic ? BasicSearchProbe() : ExtendedSearchProbe();
    if (SendBroadcast(socket.get(), probe) != 0) {
        return SearchOutcome::SendFailed;
    }

    std::vector<std::uint8_t> buffer(SEARCH_BUFFER_SIZE, 0);
    const std::uint32_t window = g_searchWindowMs.load();
    const std::uint32_t start = GetTickCount();
    int n = ReceiveWithTimeout(-1, socket.get(), buffer);
    while (n >= 0) {
        const std::span<const std::uint8_t> datagram(buffer.data(), static_cast<std::size_t>(n));
        ForEachRecordSlot(datagram, [&](std::size_t offset) {
            table.Store(DevInfoFromRecord(datagram, offset, kind));
        });
        if (TickDiff(GetTickCount(), start) > window ||
            owner->m_stopRequested.load(std::memory_order_relaxed)) {
            break;
        }
        n = ReceiveWithTimeout(-1, socket.get(), buffer);
    }
    return n < 0 ? SearchOutcome::ReadFailed : SearchOutcome::Completed;
}

void BasicSearchWorker(AdapterSlot slot) {
    RunSearch(std::move(slot), SearchKind::Basic);
}

void ExtendedSearchWorker(AdapterSlot slot) {
    RunSearch(std::move(slot), SearchKind::Extended);
}

}  // namespace quillon

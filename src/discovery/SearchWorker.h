#pragma once

// The two search workers: each opens a broadcast socket on one adapter
// address, sends its probe once, and for 5000 ms turns every device record
// that reaches its port into an entry of its table. They report nothing; a
// socket, bind or send failure ends them with nothing stored.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string_view>

#include "discovery/SearchResultTable.h"

namespace quillon {

inline constexpr std::uint32_t SEARCH_WINDOW_MS = 5000;
inline constexpr std::size_t SEARCH_BUFFER_SIZE = 8192;
// Receive buffer asked of the kernel. A burst of replies arrives faster than
// a worker drains it, and each queued 256-byte reply costs the kernel about
// 1.3 KB, so a thousand devices answering at once need some 1.3 MB queued;
// with the kernel's default (208 KiB) two thirds of such a burst are lost.
inline constexpr int SEARCH_SOCKET_BUFFER = 4 * 1024 * 1024;

// What the workers write to: the window's two tables. Shared ownership keeps
// them alive for a worker that outlives the window that started it; a window
// that closes asks its workers to stop at their next receive slice.
struct SearchTables {
    SearchResultTable m_basicTable;
    SearchResultTable m_extendedTable;
    std::atomic<bool> m_stopRequested{false};
};

// The argument of one worker: the adapter's address text (at most 19
// characters and a NUL) and the owner of the tables it fills.
struct AdapterSlot {
    std::array<char, 20> address{};
    std::shared_ptr<SearchTables> owner;

    // Copies at most 19 characters of text.
    void setAddress(std::string_view text);
    std::string_view addressText() const;
};

// How a search ended. The workers themselves report nothing; the command-line
// tool, which searches on its own thread, tells its user.
enum class SearchOutcome { Completed, SocketFailed, SendFailed, ReadFailed };

// Runs one whole search on the calling thread.
SearchOutcome RunSearch(AdapterSlot slot, SearchKind kind);

// The thread procedures: RunSearch with the outcome dropped.
void BasicSearchWorker(AdapterSlot slot);
void ExtendedSearchWorker(AdapterSlot slot);

// Shortens (or restores, with SEARCH_WINDOW_MS) the collection window
// (for testing).
void SetSearchWindowForTesting(std::uint32_t ms);

}  // namespace quillon

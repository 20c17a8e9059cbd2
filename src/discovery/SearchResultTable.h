#pragma once

// One table of search results: device entries keyed by their MAC text,
// ascending by unsigned bytes, case-sensitive (two MAC texts that differ only
// in letter case are two devices). Workers store into it while the refresh
// clears and reads it, so every operation excludes the others.

#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "discovery/DevInfo.h"

namespace quillon {

class SearchResultTable {
public:
    // Replaces the entry stored under entry.mac whole, or inserts it.
    void Store(const DevInfo& entry);
    void Clear();
    // Every entry, in key order, copied under the lock.
    std::vector<DevInfo> Entries() const;
    std::size_t Size() const;

private:
    // std::string orders by char_traits<char>::lt, which compares as unsigned
    // char: exactly the byte order the table is defined by.
    std::map<std::string, DevInfo> m_entries;
    mutable std::mutex m_mutex;
};

}  // namespace quillon

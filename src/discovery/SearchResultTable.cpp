#include "discovery/SearchResultTable.h"

namespace quillon {

void SearchResultTable::Store(const DevInfo& entry) {
    std::lock_guard lock(m_mutex);
    m_entries.insert_or_assign(entry.mac, entry);
}

void SearchResultTable::Clear() {
    std::lock_guard lock(m_mutex);
    m_entries.clear();
}

std::vector<DevInfo> SearchResultTable::Entries() const {
    std::lock_guard lock(m_mutex);
    std::vector<DevInfo> out;
    out.reserve(m_entries.size());
    for (const auto& [key, entry] : m_entries) {
        out.push_back(entry);
    }
    return out;
}

std::size_t SearchResultTable::Size() const {
    std::lock_guard lock(m_mutex);
    return m_entries.size();
}

}  // namespace quillon

#include "discovery/Refresh.h"

#include <map>
#include <string>
#include <utility>

namespace quillon {

namespace {

void runAndWait(const RefreshHooks& hooks, AdapterSlot slot, SearchKind kind) {
    auto body = [run = hooks.runWorker, ended = hooks.workerEnded, slot = std::move(slot),
                 kind]() mutable {
        if (run) {
            run(std::move(slot), kind);
        } else if (kind == SearchKind::Basic) {
            BasicSearchWorker(std::move(slot));
        } else {
            ExtendedSearchWorker(std::move(slot));
        }
        if (ended) {
            ended();
        }
    };
    WorkerThread thread = WorkerThread::Start(std::move(body));
    if (!thread.valid()) {
        return;
    }
    if (hooks.waitForWorker) {
        hooks.waitForWorker(thread, REFRESH_WAIT_MS);
    } else {
        thread.WaitFor(REFRESH_WAIT_MS);
    }
    thread.Close();
}

}  // namespace

std::vector<DevInfo> SearchAllAdapters(const std::shared_ptr<SearchTables>& tables,
                                       const RefreshHooks& hooks) {
    const std::vector<AdapterAddress> adapters =
        hooks.listAdapters ? hooks.listAdapters() : QueryAdapterAddresses();
    std::vector<AdapterSlot> slots(ListAdapterAddresses(adapters, nullptr, 0));
    slots.resize(ListAdapterAddresses(adapters, slots.data(), slots.size()));

    for (auto& slot : slots) {
        slot.owner = tables;
    }
    for (const auto& slot : slots) {
        if (slot.addressText() != "0.0.0.0") {
            runAndWait(hooks, slot, SearchKind::Basic);
        }
    }
    for (const auto& slot : slots) {
        runAndWait(hooks, slot, SearchKind::Extended);
    }

    // Merged from one snapshot of each table, so a late basic reply can't
    // overwrite an extended entry between the merge and the copy.
    std::map<std::string, DevInfo> merged;
    for (auto& entry : tables->m_basicTable.Entries()) {
        std::string key = entry.mac;
        merged.insert_or_assign(std::move(key), std::move(entry));
    }
    for (auto& entry : tables->m_extendedTable.Entries()) {
        std::string key = entry.mac;
        merged.insert_or_assign(std::move(key), std::move(entry));
    }
    std::vector<DevInfo> devices;
    devices.reserve(merged.size());
    for (auto& [key, entry] : merged) {
        devices.push_back(std::move(entry));
    }
    return devices;
}

}  // namespace quillon

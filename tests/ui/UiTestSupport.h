#pragma once

// What the window tests share: devices that a fake refresh "finds" without
// sending anything, and small helpers to drive the list.

#include <QHeaderView>
#include <QPoint>
#include <QTableView>
#include <QTest>
#include <memory>
#include <mutex>
#include <vector>

#include "discovery/Refresh.h"
#include "ui/main/CQuillonDlg.h"

namespace quillon::test {

inline DevInfo makeDevice(const char* name, const char* mac, const char* ip, const char* id,
                          const char* webPort) {
    DevInfo entry;
    entry.name = name;
    entry.mac = mac;
    entry.ip = ip;
    entry.gateway = "10.0.0.1";
    entry.subnetMask = "255.255.255.0";
    entry.deviceId = id;
    entry.webPort = webPort;
    entry.videoPort = "34567";
    entry.phonePort = "34599";
    entry.audioTalk = "1";
    entry.storage = "0";
    entry.dhcpText = "--";
    entry.wirelessText = "--";
    return entry;
}

// The devices a fake search finds: those with a device ID answer both
// probes, the others only the basic one. Replaceable between refreshes.
class FakeNetwork {
public:
    void setDevices(std::vector<DevInfo> devices) {
        std::lock_guard lock(m_state->mutex);
        m_state->devices = std::move(devices);
    }

    // Hooks that search one made-up adapter; nothing leaves the process.
    RefreshHooks hooks() const {
        RefreshHooks hooks;
        hooks.listAdapters = [] { return std::vector<AdapterAddress>{{"fake0", 1, "192.0.2.1"}}; };
        hooks.runWorker = [state = m_state](AdapterSlot slot, SearchKind kind) {
            std::vector<DevInfo> devices;
            {
                std::lock_guard lock(state->mutex);
                devices = state->devices;
            }
            for (DevInfo entry : devices) {
                if (kind == SearchKind::Basic) {
                    entry.deviceId.clear();
                    slot.owner->m_basicTable.Store(entry);
                } else if (!entry.deviceId.empty()) {
                    slot.owner->m_extendedTable.Store(entry);
                }
            }
        };
        return hooks;
    }

private:
    struct State {
        std::mutex mutex;
        std::vector<DevInfo> devices;
    };
    std::shared_ptr<State> m_state = std::make_shared<State>();
};

inline QString cell(const CQuillonDlg& dialog, int row, int column) {
    const auto* model = dialog.deviceList()->model();
    return model->data(model->index(row, column)).toString();
}

inline QStringList columnTexts(const CQuillonDlg& dialog, int column) {
    QStringList texts;
    for (int row = 0; row < dialog.deviceList()->model()->rowCount(); ++row) {
        texts << cell(dialog, row, column);
    }
    return texts;
}

inline QPoint rowCentre(const CQuillonDlg& dialog, int row) {
    const QTableView* list = dialog.deviceList();
    return list->visualRect(list->model()->index(row, 0)).center();
}

inline void clickHeader(const CQuillonDlg& dialog, int column) {
    QHeaderView* header = dialog.deviceList()->horizontalHeader();
    const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
}

}  // namespace quillon::test

#pragma once

// The main window: the device list, the Refresh and Help buttons, and every
// command reachable from them. It finds the devices once before it is first
// shown and again on each Refresh.

#include <QDialog>
#include <QIcon>
#include <memory>
#include <vector>

#include "discovery/DevInfo.h"
#include "discovery/Refresh.h"
#include "discovery/RefreshGate.h"
#include "discovery/SearchWorker.h"
#include "platform/WorkerThread.h"
#include "ui/config/WiredCommands.h"
#include "ui/main/MouseHold.h"

class QPushButton;
class QTableView;

namespace quillon {

class DeviceListModel;
class OutcomeBoxes;

class CQuillonDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int ID_DEVICE_OPEN = 100;
    static constexpr int ID_DEVICE_NETWORKING = 101;
    static constexpr int MIN_WIDTH = 800;
    static constexpr int MIN_HEIGHT = 300;

    explicit CQuillonDlg(QWidget* parent = nullptr);
    ~CQuillonDlg() override;

    void setVisible(bool visible) override;
    // A close while a refresh waits is carried out when the refresh ends.
    void done(int result) override;

    void OnRefresh();
    void FillDeviceList();
    void UpdateDeviceRows();
    void OnColumnClick(int column);
    void OnDblClk();
    void OnRClick(const QPoint& viewportPos);
    void OnCommand(int id);
    void OnHelp();
    void OnSetBusy(qintptr wParam);
    void OnSetNetwork();
    void OnSetDhcp();

    // The row the commands act on: the last row selected since the list was
    // filled, or -1.
    int selectionMark() const { return m_selectionMark; }
    bool busy() const { return m_busy; }
    const std::vector<DevInfo>& devices() const { return m_devices; }
    QTableView* deviceList() const { return m_deviceList; }

    // Replaces how refreshes find adapters and run workers, and the clock of
    // the 5-second gate (for testing).
    void SetRefreshHooksForTesting(RefreshHooks hooks) { m_refreshHooks = std::move(hooks); }
    void SetRefreshClockForTesting(RefreshGate::Clock clock);
    // Shows devices as if a refresh had found them, in the given order
    // (for testing and benchmarks).
    void SetDevicesForTesting(std::vector<DevInfo> devices);
    // Replaces how the wired commands find adapters and run their threads
    // (for testing); the waits and the outcome boxes stay the window's.
    void SetWiredCommandHooksForTesting(WiredCommandHooks hooks) {
        m_wiredHooks = std::move(hooks);
    }
    // The wired command threads' boxes still on screen.
    int openOutcomeBoxes() const;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnInitDialog();
    void InitDeviceListColumns();
    void layoutControls();
    const DevInfo* selectedEntry() const;
    bool isOwnKeyTarget(QObject* watched) const;
    template <typename Send>
    void runWiredCommand(Send send);
    void finishPendingClose();

    WorkerThread m_hCommandThread;
    RefreshGate m_refreshGate;  // holds m_lastRefreshTime
    bool m_busy = false;
    MouseHold m_mouseHold;
    QIcon m_hIcon;
    // Both search tables, shared with workers that outlive their wait.
    std::shared_ptr<SearchTables> m_tables;
    std::vector<DevInfo> m_devices;
    QTableView* m_deviceList = nullptr;
    DeviceListModel* m_model = nullptr;
    QPushButton* m_refreshButton = nullptr;
    QPushButton* m_helpButton = nullptr;

    RefreshHooks m_refreshHooks;
    WiredCommandHooks m_wiredHooks;
    OutcomeBoxes* m_outcomeBoxes = nullptr;
    bool m_commandRunning = false;
    int m_selectionMark = -1;
    bool m_initialised = false;
    bool m_refreshing = false;
    bool m_closePending = false;
    bool m_deliveringDblClick = false;
    int m_pendingResult = 0;
};

}  // namespace quillon

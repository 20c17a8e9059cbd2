#pragma once

// The "WIFI" page of the configuration dialog: the device's wireless
// interface settings (on/off, DHCP, addresses, MAC for reference), the
// wireless networks it can see, and joining one of them. The settings are
// read-modify-write of the whole settings block. Reading, listing and
// joining are jobs of the page's worker; Submit runs from the window's
// thread, which stays painted but takes no input until it ends.

#include <QString>
#include <QWidget>
#include <memory>
#include <vector>

#include "net/WifiNetworkRecord.h"
#include "platform/WorkerThread.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace quillon {

class IpAddressEdit;
class WifiWorker;

// Flipped by each header click in any WiFi page; 1 sorts ascending.
extern int g_networkSortAscending;

class CConfigNetWF : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* DEVICE_STATE_ERROR_TEXT =
        "The device state error, operation failed!";
    static constexpr const char* NO_MEMORY_TEXT = "Failed to allocate memory!";
    static constexpr const char* SUCCEEDED_TEXT = "Operation Succeeded!";
    static constexpr const char* FAILED_TEXT = "Operation failed!";
    static constexpr const char* ADDRESS_CHANGE_TEXT =
        "The operation will change the address of the device! You may lose the connection and "
        "need to Refresh again!";

    explicit CConfigNetWF(QWidget* parent = nullptr);
    ~CConfigNetWF() override;

    void SetCapabilityBits(int bits) { m_capabilityBits = bits; }
    int capabilityBits() const { return m_capabilityBits; }

    // Creates the controls and starts the worker; once, before the page is
    // first shown (a show does it if nobody did).
    void OnInitDialog();

    // Ends the worker before the dialog goes: a waiting one quits, a busy one
    // is abandoned with its exchange cancelled. Afterwards nothing of the
    // worker touches this page. Safe to call more than once.
    void StopWorker();

    void OnWifiClicked();
    void OnDhcpClicked();
    void OnSubmit();
    void OnAdd();
    void OnRefresh();
    void OnDblClk(int row);
    void OnColumnClick(int column);

    // A job runs or waits; the page's own commands are ignored meanwhile.
    bool jobsPending() const;
    int currentJob() const;
    const std::vector<WifiNetworkRecord>& networks() const { return m_networks; }
    QTableWidget* networkList() const { return m_networkList; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Jobs, on the worker's thread. page is touched only inside onUi.
    static void runJob(CConfigNetWF* page, WifiWorker& worker, int job);
    static void loadJob(CConfigNetWF* page, WifiWorker& worker);
    static void RefreshNetworks(CConfigNetWF* page, WifiWorker& worker);
    static void joinJob(CConfigNetWF* page, WifiWorker& worker);
    static bool showBox(CConfigNetWF* page, WifiWorker& worker, const char* text);

    void postJob(int job);
    void DisableControls();
    void ApplySettings();
    void FillNetworkView();
    void ShowAddressFields(bool enable);
    bool commandsAllowed() const;
    int runSubmit();

    int m_capabilityBits = 0;
    std::vector<WifiNetworkRecord> m_networks;
    WifiNetworkRecord m_workRecord;
    WorkerThread m_hWorker;
    std::shared_ptr<WifiWorker> m_worker;
    bool m_initialised = false;
    bool m_submitting = false;

    QCheckBox* m_wifi = nullptr;
    QCheckBox* m_dhcp = nullptr;
    IpAddressEdit* m_ip = nullptr;
    IpAddressEdit* m_mask = nullptr;
    IpAddressEdit* m_gateway = nullptr;
    QLineEdit* m_mac = nullptr;
    IpAddressEdit* m_dnsPrimary = nullptr;
    IpAddressEdit* m_dnsSecondary = nullptr;
    QPushButton* m_submit = nullptr;
    QTableWidget* m_networkList = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_refresh = nullptr;
};

}  // namespace quillon

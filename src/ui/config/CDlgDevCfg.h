#pragma once

// The configuration dialog the main window opens for one device: a tab
// strip with the "Networking" page and, for devices with a wireless
// interface, the "WIFI" page. It hands the device entry to its pages and to
// the TCP channel, places and switches the pages, and stops the wireless
// page's worker when it closes. It sends nothing itself.

#include <QDialog>

#include "discovery/DevInfo.h"
#include "ui/config/CConfigNetWF.h"
#include "ui/config/CDevInfoModify.h"

class QTabBar;

namespace quillon {

class CDlgDevCfg : public QDialog {
    Q_OBJECT
public:
    static constexpr int PAGE_TOP = 20;

    explicit CDlgDevCfg(QWidget* parent = nullptr);
    ~CDlgDevCfg() override;

    // Called once, before the dialog is shown.
    void SetDevice(DevInfo device);

    void setVisible(bool visible) override;

    QTabBar* tabStrip() const { return m_tab; }
    CDevInfoModify* wiredPage() const { return m_wiredPage; }
    CConfigNetWF* wifiPage() const { return m_wifiPage; }
    QWidget* currentPage() const { return m_pCurPage; }
    const DevInfo& device() const { return m_device; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void OnInitDialog();
    void OnSelChange(int index);
    void placePage(QWidget* page);

    QWidget* m_pCurPage = nullptr;
    CDevInfoModify* m_wiredPage = nullptr;
    CConfigNetWF* m_wifiPage = nullptr;
    int m_hasWifi = 0;
    DevInfo m_device;
    QTabBar* m_tab = nullptr;
    bool m_initialised = false;
};

}  // namespace quillon

#pragma once

// The "Networking" page: the device's wired address, mask, gateway and MAC,
// either typed as new static addresses or replaced by DHCP. Save hands the
// request to the main window, which broadcasts it; the page itself never
// talks to the network.

#include <QEvent>
#include <QPointer>
#include <QString>
#include <QWidget>

#include "discovery/DevInfo.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quillon {

class IpAddressEdit;

class CDevInfoModify : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* CONFIRM_DHCP_TEXT =
        "The operation will change the address of the device! You may lose the connection and "
        "need to Refresh again! Whether to continue?";

    explicit CDevInfoModify(QWidget* parent = nullptr);

    void SetDevice(DevInfo device);
    // Where the requests go: the main window.
    void SetRequestTarget(QObject* mainWindow) { m_requestTarget = mainWindow; }

    // Builds the controls from the device given; called once by the dialog.
    void OnInitDialog();
    void UpdateAddressControls();
    void OnSave();

    QCheckBox* dhcpBox() const { return m_dhcp; }

private:
    IpAddressEdit* addField(const char* objectName);
    void requestAndClose(QEvent::Type request);

    QString m_strMac;
    QString m_strIp;
    QString m_strGateway;
    QString m_strMask;
    DevInfo m_device;

    QPointer<QObject> m_requestTarget;
    QCheckBox* m_dhcp = nullptr;
    QLabel* m_dhcpLabel = nullptr;
    IpAddressEdit* m_ip = nullptr;
    IpAddressEdit* m_mask = nullptr;
    IpAddressEdit* m_gateway = nullptr;
    QLineEdit* m_mac = nullptr;
    QPushButton* m_save = nullptr;
};

}  // namespace quillon

#include "ui/config/CDevInfoModify.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/config/IpAddressEdit.h"
#include "ui/config/WiredCommandScope.h"
#include "ui/config/WiredCommands.h"
#include "ui/main/DialogUnits.h"
#include "ui/main/MessageBox.h"
#include "ui/main/WindowMessageEvent.h"

namespace quillon {

namespace {

// Device texts are 8-bit; they go to the controls and back byte for byte.
QString fromDevice(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toDevice(const QString& text) {
    return text.toLatin1().toStdString();
}

// Rows of the page, in dialog units: label column, field column, row tops.
constexpr int LABEL_X = 40;
constexpr int FIELD_X = 100;
constexpr int FIELD_WIDTH = 110;
constexpr int ROW_HEIGHT = 14;
constexpr int DHCP_Y = 20;
constexpr int IP_Y = 45;
constexpr int MASK_Y = 70;
constexpr int GATEWAY_Y = 95;
constexpr int MAC_Y = 120;
constexpr int SAVE_Y = 160;
constexpr int SAVE_WIDTH = 50;

QLabel* addLabel(const QString& text, int y, const DialogUnits& units, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(units.rect(LABEL_X, y + 2, FIELD_X - LABEL_X - 4, ROW_HEIGHT - 4));
    return label;
}

}  // namespace

CDevInfoModify::CDevInfoModify(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("CDevInfoModify"));
    hide();
}

void CDevInfoModify::SetDevice(DevInfo device) {
    m_device = std::move(device);
    m_strMac = fromDevice(m_device.mac);
    m_strIp = fromDevice(m_device.ip);
    m_strGateway = fromDevice(m_device.gateway);
    m_strMask = fromDevice(m_device.subnetMask);
}

IpAddressEdit* CDevInfoModify::addField(const char* objectName) {
    auto* field = new IpAddressEdit(this);
    field->setObjectName(QString::fromLatin1(objectName));
    return field;
}

void CDevInfoModify::OnInitDialog() {
    const DialogUnits units(font());
    m_dhcp = new QCheckBox(this);
    m_dhcp->setObjectName(QStringLiteral("dhcpCheck"));
    m_dhcp->setGeometry(units.rect(FIELD_X, DHCP_Y, ROW_HEIGHT, ROW_HEIGHT));
    m_dhcpLabel = addLabel(QStringLiteral("DHCP"), DHCP_Y, units, this);
    m_dhcpLabel->setObjectName(QStringLiteral("dhcpLabel"));

    addLabel(QStringLiteral("IP"), IP_Y, units, this);
    m_ip = addField("ipEdit");
    m_ip->setGeometry(units.rect(FIELD_X, IP_Y, FIELD_WIDTH, ROW_HEIGHT));
    addLabel(QStringLiteral("Sub mask"), MASK_Y, units, this);
    m_mask = addField("maskEdit");
    m_mask->setGeometry(units.rect(FIELD_X, MASK_Y, FIELD_WIDTH, ROW_HEIGHT));
    addLabel(QStringLiteral("Gateway"), GATEWAY_Y, units, this);
    m_gateway = addField("gatewayEdit");
    m_gateway->setGeometry(units.rect(FIELD_X, GATEWAY_Y, FIELD_WIDTH, ROW_HEIGHT));
    addLabel(QStringLiteral("MAC"), MAC_Y, units, this);
    m_mac = new QLineEdit(this);
    m_mac->setObjectName(QStringLiteral("macEdit"));
    m_mac->setReadOnly(true);
    m_mac->setGeometry(units.rect(FIELD_X, MAC_Y, FIELD_WIDTH, ROW_HEIGHT));

    m_save = new QPushButton(QStringLiteral("Save"), this);
    m_save->setObjectName(QStringLiteral("saveButton"));
    m_save->setAutoDefault(false);
    m_save->setGeometry(units.rect(FIELD_X, SAVE_Y, SAVE_WIDTH, ROW_HEIGHT));

    connect(m_save, &QPushButton::clicked, this, [this] { OnSave(); });
    connect(m_dhcp, &QCheckBox::clicked, this, [this] { UpdateAddressControls(); });

    if (m_device.netStateValid) {
        m_dhcp->setChecked(m_device.dhcpOn);
    } else {
        m_dhcp->hide();
        m_dhcpLabel->hide();
    }
    UpdateAddressControls();
}

void CDevInfoModify::UpdateAddressControls() {
    const bool dhcpMode = m_device.netStateValid && m_dhcp->isChecked();
    QLineEdit* const fields[] = {m_ip, m_mask, m_gateway, m_mac};
    for (QLineEdit* field : fields) {
        field->setEnabled(!dhcpMode);
    }
    if (dhcpMode) {
        for (QLineEdit* field : fields) {
            field->clear();
        }
        return;
    }
    // What was typed before ticking is gone: the entry's values come back.
    m_ip->setText(fromDevice(m_device.ip));
    m_mask->setText(fromDevice(m_device.subnetMask));
    m_gateway->setText(fromDevice(m_device.gateway));
    m_mac->setText(fromDevice(m_device.mac));
}

void CDevInfoModify::OnSave() {
    const bool dhcpTicked = m_dhcp->isChecked();
    if (m_device.netStateValid && dhcpTicked) {
        NetAddressBlock request = g_netAddress;
        if (!FillSetDhcpRequest(request, toDevice(m_strMac))) {
            ShowMessageBox(this,
                           QString::fromLatin1(MAC_TOO_LONG_TEXT.data(),
                                               static_cast<qsizetype>(MAC_TOO_LONG_TEXT.size())));
            return;
        }
        if (ShowMessageBox(this, QString::fromLatin1(CONFIRM_DHCP_TEXT), QMessageBox::Warning,
                           QMessageBox::Yes | QMessageBox::No, QString()) != QMessageBox::Yes) {
            return;
        }
        g_netAddress = request;
        requestAndClose(WM_SET_DHCP);
        return;
    }

    m_strIp = m_ip->addressText();
    m_strGateway = m_gateway->addressText();
    m_strMask = m_mask->addressText();
    // A blank field reads "0.0.0.0"; a half-typed one reads empty. Neither
    // is sent, and nothing is said.
    for (const QString* text : {&m_strIp, &m_strGateway, &m_strMask}) {
        if (text->isEmpty() || *text == QLatin1String("0.0.0.0")) {
            return;
        }
    }
    NetAddressBlock request = g_netAddress;
    if (!FillSetAddressRequest(request, toDevice(m_strIp), toDevice(m_strGateway),
                               toDevice(m_strMask), toDevice(m_strMac))) {
        ShowMessageBox(this, QString::fromLatin1(MAC_TOO_LONG_TEXT.data(),
                                                 static_cast<qsizetype>(MAC_TOO_LONG_TEXT.size())));
        return;
    }
    g_netAddress = request;
    requestAndClose(WM_SET_NETWORK);
}

void CDevInfoModify::requestAndClose(QEvent::Type request) {
    if (m_requestTarget) {
        QCoreApplication::postEvent(m_requestTarget, new WindowMessageEvent(request));
    }
    // Queued behind the request, so the main window's handler runs first.
    if (QWidget* dialog = parentWidget()) {
        QMetaObject::invokeMethod(
            dialog,
            [dialog] {
                // The handler may still be waiting for its threads: the
                // dialog stays on screen until it is through.
                WiredCommandScope::whenCommandsEnd(dialog, [dialog] { dialog->close(); });
            },
            Qt::QueuedConnection);
    }
}

}  // namespace quillon

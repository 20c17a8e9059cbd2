#include "ui/config/CDlgDevCfg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QTabBar>
#include <limits>

#include "net/TcpRequest.h"
#include "ui/main/DialogUnits.h"

namespace quillon {

namespace {

constexpr int DIALOG_WIDTH_DLU = 352;
constexpr int DIALOG_HEIGHT_DLU = 253;

// A decimal text's leading digits as a number, 0 without any; large values
// stop growing rather than wrap.
int leadingDecimal(const std::string& text) {
    long long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        value = std::min<long long>(value * 10 + (c - '0'), std::numeric_limits<int>::max());
    }
    return static_cast<int>(value);
}

}  // namespace

CDlgDevCfg::CDlgDevCfg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CDlgDevCfg"));
    setWindowTitle(QStringLiteral("Netwroking Config"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    m_tab = new QTabBar(this);
    m_tab->setObjectName(QStringLiteral("tabStrip"));
    m_tab->setDrawBase(true);
    m_tab->setExpanding(false);
    m_wiredPage = new CDevInfoModify(this);
    m_wiredPage->SetRequestTarget(parent);
    m_wifiPage = new CConfigNetWF(this);
    // Enter and Esc are taken before any control of this dialog sees them.
    qApp->installEventFilter(this);
}

CDlgDevCfg::~CDlgDevCfg() = default;

void CDlgDevCfg::SetDevice(DevInfo device) {
    m_wiredPage->SetDevice(device);
    SetTarget(device.ip, device.videoPort);
    m_hasWifi = device.wifiSupport;
    m_wifiPage->SetCapabilityBits(leadingDecimal(device.capabilityBits));
    m_device = std::move(device);
}

void CDlgDevCfg::setVisible(bool visible) {
    if (visible && !m_initialised) {
        m_initialised = true;
        OnInitDialog();
    }
    QDialog::setVisible(visible);
}

void CDlgDevCfg::OnInitDialog() {
    const DialogUnits units(font());
    setFixedSize(units.x(DIALOG_WIDTH_DLU), units.y(DIALOG_HEIGHT_DLU));

    m_tab->addTab(QStringLiteral("Networking"));
    if (m_hasWifi != 0) {
        m_tab->addTab(QStringLiteral("WIFI"));
    }
    m_wiredPage->OnInitDialog();
    m_wifiPage->OnInitDialog();

    // The page follows the device's wireless flag alone: without a "WIFI"
    // tab the strip keeps "Networking" selected over the wireless page.
    if (m_device.wirelessOn) {
        m_tab->setCurrentIndex(1);
        m_pCurPage = m_wifiPage;
    } else {
        m_tab->setCurrentIndex(0);
        m_pCurPage = m_wiredPage;
    }
    m_tab->setGeometry(0, 0, width(), height());
    placePage(m_pCurPage);
    m_pCurPage->show();
    connect(m_tab, &QTabBar::currentChanged, this, [this](int index) { OnSelChange(index); });
}

void CDlgDevCfg::placePage(QWidget* page) {
    page->setGeometry(0, PAGE_TOP, width(), std::max(0, height() - PAGE_TOP));
    page->raise();
}

void CDlgDevCfg::OnSelChange(int index) {
    QWidget* page = nullptr;
    if (index == 0) {
        page = m_wiredPage;
    } else if (index == 1) {
        page = m_wifiPage;
    }
    if (page == nullptr || page == m_pCurPage) {
        return;
    }
    if (m_pCurPage != nullptr) {
        m_pCurPage->hide();
    }
    page->show();
    m_pCurPage = page;
    placePage(page);
}

void CDlgDevCfg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    m_tab->setGeometry(0, 0, width(), height());
    if (m_pCurPage != nullptr) {
        placePage(m_pCurPage);
    }
}

void CDlgDevCfg::closeEvent(QCloseEvent* event) {
    m_wifiPage->StopWorker();
    QDialog::closeEvent(event);
}

bool CDlgDevCfg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) {
        return QDialog::eventFilter(watched, event);
    }
    const auto* widget = qobject_cast<const QWidget*>(watched);
    if (widget == nullptr || (widget != this && !isAncestorOf(widget))) {
        return QDialog::eventFilter(watched, event);
    }
    switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            return event->type() == QEvent::KeyPress;
        default:
            return QDialog::eventFilter(watched, event);
    }
}

}  // namespace quillon

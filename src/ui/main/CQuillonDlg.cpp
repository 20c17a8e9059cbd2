#include "ui/main/CQuillonDlg.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <utility>

#include "ui/config/CDlgDevCfg.h"
#include "ui/config/OutcomeBoxes.h"
#include "ui/config/WiredCommandScope.h"
#include "ui/main/CAboutDlg.h"
#include "ui/main/DeviceColumns.h"
#include "ui/main/DeviceListModel.h"
#include "ui/main/DevicePage.h"
#include "ui/main/DeviceSort.h"
#include "ui/main/DeviceUrls.h"
#include "ui/main/WaitCursor.h"
#include "ui/main/WindowMessageEvent.h"
#include "ui/main/WorkerEndWaiter.h"

namespace quillon {

namespace {

constexpr int BUTTON_WIDTH = 60;
constexpr int BUTTON_HEIGHT = 30;
constexpr int LIST_TOP = 40;

QString fromDevice(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QPushButton* makeButton(const QString& text, const QString& objectName, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

CQuillonDlg::CQuillonDlg(QWidget* parent)
    : QDialog(parent),
      m_hIcon(QStringLiteral(":/quillon/quillon.png")),
      m_tables(std::make_shared<SearchTables>()) {
    setObjectName(QStringLiteral("CQuillonDlg"));
    m_outcomeBoxes = new OutcomeBoxes(this);
    setWindowTitle(QStringLiteral("Quillon"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);
    setMinimumSize(MIN_WIDTH, MIN_HEIGHT);

    m_deviceList = new QTableView(this);
    m_deviceList->setObjectName(QStringLiteral("deviceList"));
    m_model = new DeviceListModel(m_devices, this);
    m_deviceList->setModel(m_model);
    m_refreshButton = makeButton(QStringLiteral("Refresh"), QStringLiteral("refreshButton"), this);
    m_helpButton = makeButton(QStringLiteral("Help"), QStringLiteral("helpButton"), this);

    connect(m_refreshButton, &QPushButton::clicked, this, [this] { OnRefresh(); });
    connect(m_helpButton, &QPushButton::clicked, this, [this] { OnHelp(); });
    connect(m_deviceList->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { OnColumnClick(column); });
    m_deviceList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_deviceList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { OnRClick(pos); });
    connect(m_deviceList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection&) {
                if (!selected.isEmpty()) {
                    m_selectionMark = selected.indexes().first().row();
                }
            });
    m_deviceList->viewport()->installEventFilter(this);
    // Enter and Esc are taken before any control of this window sees them.
    qApp->installEventFilter(this);
}

CQuillonDlg::~CQuillonDlg() {
    // Workers still collecting stop at their next receive slice; the tables
    // they hold stay alive until the last of them has gone.
    m_tables->m_stopRequested.store(true);
    if (m_busy) {
        OnSetBusy(0);
    }
}

void CQuillonDlg::setVisible(bool visible) {
    if (visible && !m_initialised) {
        m_initialised = true;
        OnInitDialog();
    }
    QDialog::setVisible(visible);
}

void CQuillonDlg::OnInitDialog() {
    setWindowIcon(m_hIcon);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.topLeft());
        resize(3 * area.width() / 4, 2 * area.height() / 3);
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    InitDeviceListColumns();
    OnRefresh();
}

void CQuillonDlg::InitDeviceListColumns() {
    QTableView* list = m_deviceList;
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setShowGrid(true);
    list->setWordWrap(false);
    list->setSortingEnabled(false);
    list->setTabKeyNavigation(false);
    list->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    // Every row one line high and fixed: the view then needs no per-row
    // measuring, which keeps thousands of rows smooth.
    QHeaderView* rows = list->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(list->fontMetrics().height() + 6);

    QHeaderView* header = list->horizontalHeader();
    header->setSectionsClickable(true);
    header->setHighlightSections(false);
    header->setSortIndicatorShown(false);
    header->setStretchLastSection(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setSectionResizeMode(QHeaderView::Interactive);
    for (std::size_t i = 0; i < DEVICE_COLUMN_COUNT; ++i) {
        header->resizeSection(static_cast<int>(i), DEVICE_COLUMNS[i].width);
    }

    // The selected row is marked only while the list has the focus.
    QPalette palette = list->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Inactive, QPalette::Base));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Inactive, QPalette::Text));
    list->setPalette(palette);
}

void CQuillonDlg::layoutControls() {
    const int cx = width();
    const int cy = height();
    m_refreshButton->setGeometry(cx - 150, 5, BUTTON_WIDTH, BUTTON_HEIGHT);
    m_helpButton->setGeometry(cx - 80, 5, BUTTON_WIDTH, BUTTON_HEIGHT);
    m_deviceList->setGeometry(0, LIST_TOP, cx, std::max(0, cy - LIST_TOP));
}

void CQuillonDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    layoutControls();
}

void CQuillonDlg::SetRefreshClockForTesting(RefreshGate::Clock clock) {
    m_refreshGate.SetClockForTesting(std::move(clock));
}

void CQuillonDlg::SetDevicesForTesting(std::vector<DevInfo> devices) {
    m_devices = std::move(devices);
    FillDeviceList();
}

void CQuillonDlg::OnRefresh() {
    const WaitCursor::Scope waitCursor;
    if (!m_refreshGate.TryStart()) {
        return;
    }
    m_tables->m_basicTable.Clear();
    m_tables->m_extendedTable.Clear();
    m_model->beginRefill();
    m_devices.clear();
    m_model->endRefill();
    m_selectionMark = -1;
    m_refreshButton->setEnabled(false);
    m_refreshing = true;

    WorkerEndWaiter waiter;
    RefreshHooks hooks = m_refreshHooks;
    if (!hooks.waitForWorker) {
        // The refresh that ends a wired command lets input through: the
        // command's own filter still holds every window but the message
        // boxes, and its outcome boxes stay answerable meanwhile.
        const QEventLoop::ProcessEventsFlags flags = WiredCommandScope::running()
                                                         ? QEventLoop::AllEvents
                                                         : QEventLoop::ExcludeUserInputEvents;
        hooks.waitForWorker = [&waiter, flags](WorkerThread& thread, std::uint32_t ms) {
            waiter.wait(thread, ms, flags);
        };
    }
    hooks.workerEnded = [notify = waiter.endNotifier(), testEnded = m_refreshHooks.workerEnded] {
        if (testEnded) {
            testEnded();
        }
        notify();
    };
    std::vector<DevInfo> found = SearchAllAdapters(m_tables, hooks);

    // From here to the end nothing lets the event loop run, so the view never
    // sees the table between its change and the refill.
    m_devices = std::move(found);
    SortDevices(false, m_devices, 1);
    FillDeviceList();
    m_refreshButton->setEnabled(true);
    m_refreshing = false;

    finishPendingClose();
}

void CQuillonDlg::finishPendingClose() {
    if (m_closePending && !m_refreshing && !m_commandRunning) {
        // Queued, so a close that came during the first refresh (inside
        // initialisation, before the modal loop exists) still ends that loop.
        m_closePending = false;
        QMetaObject::invokeMethod(
            this, [this, result = m_pendingResult] { QDialog::done(result); },
            Qt::QueuedConnection);
    }
}

void CQuillonDlg::FillDeviceList() {
    m_model->beginRefill();
    m_model->endRefill();
    m_deviceList->selectionModel()->clear();
    m_selectionMark = -1;
}

void CQuillonDlg::UpdateDeviceRows() {
    m_model->rowsRewritten();
}

void CQuillonDlg::OnColumnClick(int column) {
    g_sortAscending = !g_sortAscending;
    const bool hadFocus = m_deviceList->hasFocus();
    m_deviceList->setEnabled(false);
    if (static_cast<unsigned>(column) < DEVICE_COLUMN_COUNT) {
        SortDevices(g_sortAscending, m_devices, column);
    }
    UpdateDeviceRows();
    m_deviceList->setEnabled(true);
    if (hadFocus) {
        m_deviceList->setFocus();
    }
}

const DevInfo* CQuillonDlg::selectedEntry() const {
    // A mark past the table can't arise while the list mirrors it; it is
    // treated like no selection all the same.
    if (m_selectionMark < 0 || static_cast<std::size_t>(m_selectionMark) >= m_devices.size()) {
        return nullptr;
    }
    return &m_devices[static_cast<std::size_t>(m_selectionMark)];
}

void CQuillonDlg::OnDblClk() {
    if (const DevInfo* entry = selectedEntry()) {
        const DevInfo copy = *entry;
        OpenDevicePage(fromDevice(DoubleClickUrl(copy)));
    }
}

void CQuillonDlg::OnRClick(const QPoint& viewportPos) {
    const QModelIndex index = m_deviceList->indexAt(viewportPos);
    if (!index.isValid()) {
        return;
    }
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("deviceMenu"));
    menu.addAction(QStringLiteral("Open"))->setData(ID_DEVICE_OPEN);
    menu.addAction(QStringLiteral("Networking"))->setData(ID_DEVICE_NETWORKING);
    if (const QAction* chosen = menu.exec(m_deviceList->viewport()->mapToGlobal(viewportPos))) {
        OnCommand(chosen->data().toInt());
    }
}

void CQuillonDlg::OnCommand(int id) {
    const DevInfo* entry = selectedEntry();
    if (entry == nullptr) {
        return;
    }
    const DevInfo copy = *entry;
    switch (id) {
        case ID_DEVICE_OPEN:
            OpenDevicePage(fromDevice(OpenUrl(copy)));
            break;
        case ID_DEVICE_NETWORKING: {
            CDlgDevCfg config(this);
            config.SetDevice(copy);
            config.exec();
            break;
        }
        default:
            break;
    }
}

void CQuillonDlg::OnHelp() {
    CAboutDlg about(this);
    about.exec();
}

void CQuillonDlg::OnSetBusy(qintptr wParam) {
    if (wParam == 1) {
        m_busy = true;
        // Held by the main window so clicks can't reach the configuration
        // dialog while its worker talks to the device.
        m_mouseHold.hold();
        WaitCursor::Begin();
    } else {
        m_busy = false;
        WaitCursor::End();
        m_mouseHold.release();
    }
}

template <typename Send>
void CQuillonDlg::runWiredCommand(Send send) {
    // Held across the refresh too: the configuration dialog that asked for
    // the command closes only once the handler is through.
    const WiredCommandScope scope;
    m_commandRunning = true;
    {
        WorkerEndWaiter waiter;
        WiredCommandHooks hooks = m_wiredHooks;
        // Every event but user input to other windows is handled while a
        // thread is waited for, so its box can be answered at once.
        hooks.waitForWorker = [&waiter](WorkerThread& thread, std::uint32_t ms) {
            waiter.wait(thread, ms, QEventLoop::AllEvents);
        };
        hooks.workerEnded = [notify = waiter.endNotifier(), testEnded = m_wiredHooks.workerEnded] {
            if (testEnded) {
                testEnded();
            }
            notify();
        };
        hooks.report = m_outcomeBoxes->reporter();
        send(hooks);
    }
    OnRefresh();
    m_commandRunning = false;
    finishPendingClose();
}

void CQuillonDlg::OnSetNetwork() {
    runWiredCommand([this](const WiredCommandHooks& hooks) {
        SendSetNetwork(g_netAddress, hooks, m_hCommandThread);
    });
}

void CQuillonDlg::OnSetDhcp() {
    runWiredCommand([](const WiredCommandHooks& hooks) { SendSetDhcp(g_netAddress, hooks); });
}

int CQuillonDlg::openOutcomeBoxes() const {
    return m_outcomeBoxes->openCount();
}

bool CQuillonDlg::event(QEvent* event) {
    const auto* message = dynamic_cast<const WindowMessageEvent*>(event);
    const qintptr wParam = message != nullptr ? message->wParam() : 0;
    const QEvent::Type type = event->type();
    if (type == WM_SET_NETWORK) {
        OnSetNetwork();
        return true;
    }
    if (type == WM_SET_BUSY) {
        OnSetBusy(wParam);
        return true;
    }
    if (type == WM_SET_DHCP) {
        OnSetDhcp();
        return true;
    }
    return QDialog::event(event);
}

bool CQuillonDlg::isOwnKeyTarget(QObject* watched) const {
    if (watched == this) {
        return true;
    }
    const auto* widget = qobject_cast<const QWidget*>(watched);
    return widget != nullptr && isAncestorOf(widget);
}

bool CQuillonDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick && watched == m_deviceList->viewport() &&
        !m_deliveringDblClick) {
        // The list takes the double-click first (it may move the selection
        // to the row under the cursor); the page opens for the row it leaves
        // selected.
        m_deliveringDblClick = true;
        QCoreApplication::sendEvent(watched, event);
        m_deliveringDblClick = false;
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            OnDblClk();
        }
        return true;
    }
    if (event->type() != QEvent::KeyPress || !isOwnKeyTarget(watched)) {
        return QDialog::eventFilter(watched, event);
    }
    switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Escape:
            return true;
        case Qt::Key_F1:
            // No help file belongs to the program: its help is the About box.
            OnHelp();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (const DevInfo* entry = selectedEntry()) {
                const DevInfo copy = *entry;
                OpenDevicePage(fromDevice(OpenUrl(copy)));
            }
            return true;
        default:
            return QDialog::eventFilter(watched, event);
    }
}

void CQuillonDlg::done(int result) {
    // A close that arrives while a refresh waits in its nested event loop
    // ends the window once the refresh is through, not under its feet.
    if (m_refreshing || m_commandRunning) {
        m_closePending = true;
        m_pendingResult = result;
        return;
    }
    QDialog::done(result);
}

}  // namespace quillon

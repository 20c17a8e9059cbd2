#include "ui/config/CConfigNetWF.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTableWidget>
#include <array>
#include <memory>
#include <new>
#include <string>

#include "net/AddressText.h"
#include "net/ByteReader.h"
#include "net/FieldScrambling.h"
#include "net/FrameHeader.h"
#include "net/TcpRequest.h"
#include "net/WifiNetworkList.h"
#include "net/WifiSettingsBlock.h"
#include "ui/config/CConfigNetWFSet.h"
#include "ui/config/IpAddressEdit.h"
#include "ui/config/WifiWorker.h"
#include "ui/main/DialogUnits.h"
#include "ui/main/MessageBox.h"
#include "ui/main/WaitCursor.h"
#include "ui/main/WorkerEndWaiter.h"

namespace quillon {

int g_networkSortAscending = 0;

namespace {

// How long a closing dialog gives an abandoned job to end; its exchange is
// cancelled first, so it normally ends well within this.
constexpr std::uint32_t ABANDON_WAIT_MS = 50;
// Bit 1 of the device's capability bits: after a join the work record's key
// goes back to plain text.
constexpr int CAPABILITY_UNSCRAMBLE_AFTER_JOIN = 2;

QString fromDevice(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toDevice(const QString& text) {
    return text.toLatin1().toStdString();
}

QLabel* addLabel(const char* text, const QRect& rect, QWidget* parent) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setGeometry(rect);
    return label;
}

QCheckBox* addCheck(const char* objectName, const QRect& rect, QWidget* parent) {
    auto* box = new QCheckBox(parent);
    box->setObjectName(QString::fromLatin1(objectName));
    box->setGeometry(rect);
    return box;
}

IpAddressEdit* addAddress(const char* objectName, const QRect& rect, QWidget* parent) {
    auto* field = new IpAddressEdit(parent);
    field->setObjectName(QString::fromLatin1(objectName));
    field->setGeometry(rect);
    return field;
}

QPushButton* addButton(const char* text, const char* objectName, const QRect& rect,
                       QWidget* parent) {
    auto* button = new QPushButton(QString::fromLatin1(text), parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setAutoDefault(false);
    button->setGeometry(rect);
    return button;
}

// The address text of a field as the device block takes it: four numbers,
// missing ones 0, like the blank parts of an address control.
void readAddress(std::span<std::uint8_t> destination, const QLineEdit* field) {
    TextToBytes(destination, 4, toDevice(field->text()));
}

}  // namespace

CConfigNetWF::CConfigNetWF(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("CConfigNetWF"));
    hide();
}

CConfigNetWF::~CConfigNetWF() {
    StopWorker();
}

void CConfigNetWF::OnInitDialog() {
    if (m_initialised) {
        return;
    }
    m_initialised = true;

    // The main window owns the dialog and shows the busy state.
    QWidget* dialog = window();
    QObject* mainWindow = dialog != this ? dialog->parentWidget() : nullptr;
    m_worker = std::make_shared<WifiWorker>(this, mainWindow);
    m_hWorker = WorkerThread::Start([worker = m_worker, page = this] {
        worker->WifiWorkerLoop([page](WifiWorker& w, int job) { runJob(page, w, job); });
    });

    const DialogUnits units(font());
    addLabel("WIFI", units.rect(46, 9, 73, 14), this);
    m_wifi = addCheck("wifiCheck", units.rect(128, 13, 15, 8), this);
    addLabel("DHCP", units.rect(46, 26, 73, 14), this);
    m_dhcp = addCheck("dhcpCheck", units.rect(128, 28, 15, 8), this);
    addLabel("IP Addr", units.rect(46, 42, 73, 14), this);
    m_ip = addAddress("ipEdit", units.rect(128, 43, 112, 12), this);
    addLabel("Subnet Mask", units.rect(46, 58, 73, 14), this);
    m_mask = addAddress("maskEdit", units.rect(128, 59, 112, 12), this);
    addLabel("Gateway", units.rect(46, 74, 73, 14), this);
    m_gateway = addAddress("gatewayEdit", units.rect(128, 75, 112, 12), this);
    addLabel("MAC", units.rect(46, 91, 73, 14), this);
    m_mac = new QLineEdit(this);
    m_mac->setObjectName(QStringLiteral("macEdit"));
    m_mac->setReadOnly(true);
    m_mac->setGeometry(units.rect(128, 91, 112, 12));
    addLabel("Main DNS Server", units.rect(46, 107, 73, 14), this);
    m_dnsPrimary = addAddress("dnsPrimaryEdit", units.rect(128, 107, 112, 12), this);
    addLabel("Minor DNS Server", units.rect(46, 123, 73, 14), this);
    m_dnsSecondary = addAddress("dnsSecondaryEdit", units.rect(128, 123, 112, 12), this);
    m_submit = addButton("Submit", "submitButton", units.rect(289, 119, 53, 18), this);
    addLabel("List of wireless network", units.rect(15, 146, 109, 10), this);
    m_add = addButton("Add", "addButton", units.rect(289, 156, 53, 18), this);
    m_refresh = addButton("Refresh", "refreshButton", units.rect(289, 185, 53, 18), this);

    m_networkList = new QTableWidget(this);
    m_networkList->setObjectName(QStringLiteral("networkList"));
    m_networkList->setGeometry(units.rect(11, 156, 273, 77));
    m_networkList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_networkList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_networkList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_networkList->setShowGrid(true);
    m_networkList->verticalHeader()->hide();
    m_networkList->setColumnCount(static_cast<int>(NETWORK_COLUMN_TITLES.size()));
    QHeaderView* header = m_networkList->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setSectionsClickable(true);
    header->setHighlightSections(false);
    const int quarter = m_networkList->width() / 4;
    for (int column = 0; column < m_networkList->columnCount(); ++column) {
        m_networkList->setHorizontalHeaderItem(
            column, new QTableWidgetItem(fromDevice(NETWORK_COLUMN_TITLES[column])));
        m_networkList->setColumnWidth(column, column == 3 ? quarter - 5 : quarter);
    }
    m_dhcp->setChecked(false);

    connect(m_wifi, &QCheckBox::clicked, this, [this] { OnWifiClicked(); });
    connect(m_dhcp, &QCheckBox::clicked, this, [this] { OnDhcpClicked(); });
    connect(m_submit, &QPushButton::clicked, this, [this] { OnSubmit(); });
    connect(m_add, &QPushButton::clicked, this, [this] { OnAdd(); });
    connect(m_refresh, &QPushButton::clicked, this, [this] { OnRefresh(); });
    connect(m_networkList, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { OnDblClk(row); });
    connect(header, &QHeaderView::sectionClicked, this,
            [this](int column) { OnColumnClick(column); });
}

void CConfigNetWF::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) {
        return;  // the window came back, the tab did not change
    }
    OnInitDialog();
    DisableControls();
    if (m_hWorker.valid()) {
        postJob(JOB_LOAD);
    }
}

void CConfigNetWF::StopWorker() {
    if (!m_worker) {
        return;
    }
    m_worker->Stop(m_hWorker, ABANDON_WAIT_MS);
    m_hWorker.Close();
}

bool CConfigNetWF::jobsPending() const {
    return m_worker && m_worker->busy();
}

int CConfigNetWF::currentJob() const {
    return m_worker ? m_worker->currentJob() : -1;
}

void CConfigNetWF::postJob(int job) {
    if (m_worker) {
        m_worker->PostThreadMessage(WM_WIFI_JOB, job);
    }
}

// The worker and the commands below share the network list, the work record
// and the one channel: while a job runs or waits, they are left alone.
bool CConfigNetWF::commandsAllowed() const {
    return !jobsPending() && !m_submitting;
}

void CConfigNetWF::DisableControls() {
    for (QWidget* control : std::initializer_list<QWidget*>{m_wifi, m_dhcp, m_ip, m_mask, m_gateway,
                                                            m_mac, m_dnsPrimary, m_dnsSecondary,
                                                            m_submit, m_add, m_refresh}) {
        control->setEnabled(false);
    }
}

void CConfigNetWF::ApplySettings() {
    m_wifi->setEnabled(true);
    m_dhcp->setEnabled(true);
    m_submit->setEnabled(true);
    m_wifi->setChecked(g_wifiSettings.wifiEnabled() != 0);
    m_dhcp->setChecked(g_wifiSettings.dhcpEnabled() != 0);
    OnWifiClicked();
}

void CConfigNetWF::OnWifiClicked() {
    const bool on = m_wifi->isChecked();
    if (on) {
        FillNetworkView();
    } else {
        m_networkList->setRowCount(0);
    }
    for (QWidget* control :
         std::initializer_list<QWidget*>{m_add, m_refresh, m_networkList, m_dhcp}) {
        control->setEnabled(on);
    }
    ShowAddressFields(on && !m_dhcp->isChecked());
}

void CConfigNetWF::OnDhcpClicked() {
    ShowAddressFields(!m_dhcp->isChecked());
}

void CConfigNetWF::ShowAddressFields(bool enable) {
    const std::array<std::pair<QLineEdit*, std::string>, 6> fields{{
        {m_ip, BytesToText(g_wifiSettings.ip(), 4)},
        {m_mask, BytesToText(g_wifiSettings.subnetMask(), 4)},
        {m_gateway, BytesToText(g_wifiSettings.gateway(), 4)},
        {m_mac, BytesToText(g_wifiSettings.mac(), 6)},
        {m_dnsPrimary, BytesToText(g_wifiSettings.dnsPrimary(), 4)},
        {m_dnsSecondary, BytesToText(g_wifiSettings.dnsSecondary(), 4)},
    }};
    for (const auto& [field, text] : fields) {
        field->setText(enable ? fromDevice(text) : QString());
        field->setEnabled(enable);
    }
}

void CConfigNetWF::FillNetworkView() {
    const std::vector<NetworkRow> rows = FillNetworkRows(m_networks);
    m_networkList->setRowCount(0);
    m_networkList->setRowCount(static_cast<int>(rows.size()));
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
        const NetworkRow& texts = rows[static_cast<std::size_t>(row)];
        const std::array<const std::string*, 4> cells{&texts.name, &texts.status, &texts.signal,
                                                      &texts.encryption};
        for (int column = 0; column < 4; ++column) {
            m_networkList->setItem(row, column, new QTableWidgetItem(fromDevice(*cells[column])));
        }
    }
}

void CConfigNetWF::OnColumnClick(int column) {
    if (m_networks.empty() || !commandsAllowed()) {
        return;
    }
    g_networkSortAscending = 1 - g_networkSortAscending;
    m_add->setEnabled(false);
    m_refresh->setEnabled(false);
    SortNetworks(m_networks, column, g_networkSortAscending != 0);
    FillNetworkView();
    m_add->setEnabled(true);
    m_refresh->setEnabled(true);
}

void CConfigNetWF::OnRefresh() {
    postJob(JOB_REFRESH_LIST);
}

void CConfigNetWF::OnAdd() {
    if (!commandsAllowed() || m_networks.size() > MAX_NETWORKS) {
        return;
    }
    m_workRecord = WifiNetworkRecord{};
    CConfigNetWFSet join(m_workRecord, 1, this);
    if (join.exec() != QDialog::Accepted) {
        return;
    }
    m_networks.push_back(m_workRecord);
    FillNetworkView();
    postJob(JOB_JOIN);
}

void CConfigNetWF::OnDblClk(int row) {
    if (!commandsAllowed() || row < 0) {
        return;
    }
    const QTableWidgetItem* item = m_networkList->item(row, 0);
    if (item == nullptr) {
        return;
    }
    const std::string name = toDevice(item->text());
    const auto listed = std::find_if(m_networks.begin(), m_networks.end(),
                                     [&](const WifiNetworkRecord& r) { return r.ssid() == name; });
    if (listed == m_networks.end()) {
        return;
    }
    m_workRecord = *listed;
    CConfigNetWFSet join(m_workRecord, 0, this);
    if (join.exec() == QDialog::Accepted) {
        postJob(JOB_JOIN);
    }
}

void CConfigNetWF::OnSubmit() {
    if (!commandsAllowed()) {
        return;
    }
    m_submitting = true;
    int result = -1;
    {
        const WaitCursor::Scope waitCursor;
        readAddress(g_wifiSettings.ip(), m_ip);
        g_wifiSettings.setWifiEnabled(m_wifi->isChecked() ? 1 : 0);
        g_wifiSettings.setDhcpEnabled(m_dhcp->isChecked() ? 1 : 0);
        readAddress(g_wifiSettings.subnetMask(), m_mask);
        readAddress(g_wifiSettings.gateway(), m_gateway);
        if (!m_mac->text().isEmpty()) {
            TextToBytes(g_wifiSettings.mac(), 6, toDevice(m_mac->text()));
        }
        readAddress(g_wifiSettings.dnsPrimary(), m_dnsPrimary);
        readAddress(g_wifiSettings.dnsSecondary(), m_dnsSecondary);
        g_wifiSettings.setFlags(g_wifiSettings.flags() | WIFI_SUBMIT_FLAG);
        result = runSubmit();
    }
    m_submitting = false;
    ShowMessageBox(this,
                   QString::fromLatin1(result < 0 ? DEVICE_STATE_ERROR_TEXT : SUCCEEDED_TEXT));
    if (m_dhcp->isChecked()) {
        ShowMessageBox(this, QString::fromLatin1(ADDRESS_CHANGE_TEXT));
        if (QWidget* dialog = window(); dialog != this) {
            QMetaObject::invokeMethod(dialog, &QWidget::close, Qt::QueuedConnection);
        }
    }
}

// The exchange runs on a thread of its own while this one keeps the window
// painted and takes no input: up to 10 s to connect and 22 s per receive
// pass are too long for a frozen window.
int CConfigNetWF::runSubmit() {
    auto result = std::make_shared<int>(-1);
    WorkerEndWaiter waiter;
    WorkerThread thread = WorkerThread::Start([result, notify = waiter.endNotifier()] {
        *result = SubmitWifiSettings();
        notify();
    });
    if (!thread.valid()) {
        return -1;
    }
    while (!thread.WaitFor(0)) {
        waiter.wait(thread, 60'000);
    }
    thread.Close();
    return *result;
}

// ---- jobs, on the worker's thread ----

bool CConfigNetWF::showBox(CConfigNetWF* page, WifiWorker& worker, const char* text) {
    // The box runs a loop of its own: it touches nothing after it returns.
    return worker.onUi([page, text] { ShowMessageBox(page, QString::fromLatin1(text)); });
}

void CConfigNetWF::runJob(CConfigNetWF* page, WifiWorker& worker, int job) {
    switch (job) {
        case JOB_REFRESH_LIST:
            RefreshNetworks(page, worker);
            break;
        case JOB_JOIN:
            joinJob(page, worker);
            break;
        case JOB_LOAD:
            loadJob(page, worker);
            break;
        default:
            break;
    }
}

void CConfigNetWF::loadJob(CConfigNetWF* page, WifiWorker& worker) {
    // Read into a buffer of our own: the page's thread reads g_wifiSettings,
    // so it changes only there, and only by as many bytes as the reply had.
    std::vector<std::uint8_t> settings(WIFI_SETTINGS_SIZE);
    const int n = TcpRequest(settings, CMD_WIFI_GET_SETTINGS, {}, worker.cancelToken());
    if (n < 0) {
        showBox(page, worker, DEVICE_STATE_ERROR_TEXT);
        return;
    }
    if (!worker.onUi([&settings, n] {
            g_wifiSettings.assignLeading(std::span(settings).first(static_cast<std::size_t>(n)));
        })) {
        return;
    }
    std::vector<std::uint8_t> aux(AUX_BLOCK_SIZE);
    if (TcpRequest(aux, CMD_GET_AUX_BLOCK, {}, worker.cancelToken()) < 0 &&
        !showBox(page, worker, DEVICE_STATE_ERROR_TEXT)) {
        return;
    }
    aux = {};
    RefreshNetworks(page, worker);
    worker.onUi([page] { page->ApplySettings(); });
}

void CConfigNetWF::RefreshNetworks(CConfigNetWF* page, WifiWorker& worker) {
    if (!worker.onUi([page] {
            page->m_networks.clear();
            page->m_networkList->setRowCount(0);
        })) {
        return;
    }
    std::vector<std::uint8_t> buffer;
    try {
        buffer.assign(NETWORK_LIST_BUFFER_SIZE, 0);
    } catch (const std::bad_alloc&) {
        showBox(page, worker, NO_MEMORY_TEXT);
        return;
    }
    const int n = worker.abandoned()
                      ? -1
                      : TcpRequest(buffer, CMD_WIFI_LIST_NETWORKS, {}, worker.cancelToken());
    std::vector<WifiNetworkRecord> records;
    if (n <= 0) {
        if (!showBox(page, worker, DEVICE_STATE_ERROR_TEXT)) {
            return;
        }
    } else {
        records = ParseNetworkList(std::span(buffer).first(static_cast<std::size_t>(n)));
    }
    worker.onUi([page, &records] {
        page->m_networks = std::move(records);
        page->FillNetworkView();
    });
}

void CConfigNetWF::joinJob(CConfigNetWF* page, WifiWorker& worker) {
    WifiNetworkRecord record;
    int capabilityBits = 0;
    if (!worker.onUi([page, &record, &capabilityBits] {
            ScrambleField(page->m_workRecord.keyField());
            record = page->m_workRecord;
            capabilityBits = page->m_capabilityBits;
        })) {
        return;
    }
    // Stays -1 unless a whole answer came back.
    std::array<std::uint8_t, 4> result{0xFF, 0xFF, 0xFF, 0xFF};
    TcpRequest(result, CMD_WIFI_JOIN, record.bytes(), worker.cancelToken());
    const bool joined = ByteReader(result).u32(0) == 0;
    if (!showBox(page, worker, joined ? SUCCEEDED_TEXT : FAILED_TEXT)) {
        return;
    }
    if ((capabilityBits & CAPABILITY_UNSCRAMBLE_AFTER_JOIN) != 0 &&
        !worker.onUi([page] { UnscrambleField(page->m_workRecord.keyField()); })) {
        return;
    }
    worker.PostThreadMessage(WM_WIFI_JOB, JOB_REFRESH_LIST);
}

}  // namespace quillon

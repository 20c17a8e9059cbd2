// The WiFi page through the real windows, inside the lab: the main window
// finds a simulated device (tests/ui/lab-wifi.json on segment A), its
// Networking dialog's "WIFI" tab talks to the simulator over TCP. Checked by
// the page's controls, the boxes shown and the simulator's log of every
// request. Skipped outside the lab.

#include <QAbstractItemView>
#include <QComboBox>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTableWidget>
#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>

#include "LabNetwork.h"
#include "WiredTestSupport.h"
#include "discovery/SearchWorker.h"
#include "net/CSocketEx.h"
#include "net/FieldScrambling.h"
#include "net/FrameHeader.h"
#include "net/TcpRequest.h"
#include "net/WifiSettingsBlock.h"
#include "ui/config/CConfigNetWF.h"
#include "ui/config/CConfigNetWFSet.h"
#include "ui/config/WifiWorker.h"

using namespace quillon;
using namespace quillon::test;

namespace {

const std::string DEVICE_MAC = "00:1A:2B:3C:4D:20";
const std::string SILENT_MAC = "00:1A:2B:3C:4D:30";
const QString STATE_ERROR = CConfigNetWF::DEVICE_STATE_ERROR_TEXT;

using Bytes = std::vector<std::uint8_t>;

// The TCP requests a simulator's log says it received, in order.
std::vector<Bytes> tcpRequestsIn(const std::string& logPath) {
    std::vector<Bytes> found;
    for (auto& request : lab::readDevsimLog(logPath, "tcp")) {
        found.push_back(std::move(request.bytes));
    }
    return found;
}

std::uint16_t commandOf(const Bytes& request) {
    return request.size() < FRAME_HEADER_SIZE
               ? 0
               : static_cast<std::uint16_t>(request[10] | (request[11] << 8));
}

std::vector<std::uint16_t> commandsOf(const std::vector<Bytes>& requests) {
    std::vector<std::uint16_t> commands;
    for (const Bytes& r : requests) {
        commands.push_back(commandOf(r));
    }
    return commands;
}

int rowOf(const CQuillonDlg& window, const std::string& mac) {
    const auto& devices = window.devices();
    for (std::size_t i = 0; i < devices.size(); ++i) {
        if (devices[i].mac == mac) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// The page's rows as "name|status|signal|encryption".
QStringList rowsOf(const CConfigNetWF* page) {
    QStringList rows;
    const QTableWidget* list = page->networkList();
    for (int row = 0; row < list->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < list->columnCount(); ++column) {
            const QTableWidgetItem* item = list->item(row, column);
            cells << (item != nullptr ? item->text() : QString("?"));
        }
        rows << cells.join('|');
    }
    return rows;
}

// "1" enabled, "0" disabled, per control, in the order given.
QString enableStates(CConfigNetWF* page, std::initializer_list<const char*> names) {
    QString states;
    for (const char* name : names) {
        states += child<QWidget>(page, name)->isEnabled() ? '1' : '0';
    }
    return states;
}

const std::initializer_list<const char*> ADDRESS_FIELDS{
    "ipEdit", "maskEdit", "gatewayEdit", "macEdit", "dnsPrimaryEdit", "dnsSecondaryEdit"};

QStringList addressTexts(CConfigNetWF* page) {
    QStringList texts;
    for (const char* name : ADDRESS_FIELDS) {
        texts << child<QLineEdit>(page, name)->text();
    }
    return texts;
}

void selectTab(CDlgDevCfg& dialog, int index) {
    QTabBar* strip = dialog.tabStrip();
    QTest::mouseClick(strip, Qt::LeftButton, {}, strip->tabRect(index).center());
}

// Until the page's jobs are through and the main window is idle again.
bool waitIdle(CConfigNetWF* page, const CQuillonDlg& window, int ms = 10000) {
    return QTest::qWaitFor([&] { return !page->jobsPending() && !window.busy(); }, ms);
}

// Acts on the join dialog as soon as it is on screen (it runs modally);
// gives up after a few seconds so no poll outlives its test.
void whenJoinDialogShows(const std::function<void(CConfigNetWFSet&)>& act) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(poll, &QTimer::timeout, [poll, act, clock] {
        auto* dialog = qobject_cast<CConfigNetWFSet*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) {
            if (clock->elapsed() > 5000) {
                qWarning("the join dialog never showed");
                poll->stop();
                poll->deleteLater();
            }
            return;
        }
        poll->stop();
        poll->deleteLater();
        act(*dialog);
    });
    poll->start();
}

void choose(QComboBox* list, int position) {
    list->showPopup();
    list->view()->setCurrentIndex(list->model()->index(position, 0));
    QTest::keyClick(list->view(), Qt::Key_Return);
}

void doubleClickRow(CConfigNetWF* page, int row) {
    QTableWidget* list = page->networkList();
    const QPoint at = list->visualItemRect(list->item(row, 0)).center();
    // A press of its own first: the view opens only the row it saw pressed.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

// Closes the dialog when a check inside it gives up, so the modal run ends.
struct CloseAtEnd {
    CDlgDevCfg& dialog;
    ~CloseAtEnd() {
        if (dialog.isVisible()) {
            dialog.close();
        }
    }
};

}  // namespace

class WifiPageLabTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<lab::BackgroundProcess> m_segmentA;
    std::unique_ptr<lab::BackgroundProcess> m_segmentB;
    std::string m_logA;
    std::string m_logB;
    CQuillonDlg* m_window = nullptr;  // while throughWifiTab runs

    void startDevice(const std::vector<std::string>& modes = {}) {
        m_logA = lab::scratchFile("devsim-a.log");
        std::vector<std::string> argv{
            lab::devsimPath(), "--tcp", "--config", QUILLON_SOURCE_DIR "/tests/ui/lab-wifi.json",
            "--log",           m_logA};
        for (const auto& m : modes) {
            argv.insert(argv.end(), {"--mode", m});
        }
        m_segmentA = std::make_unique<lab::BackgroundProcess>(lab::labValue("LAB_NS_A"), argv);
        QVERIFY(m_segmentA->ready());
    }

    std::unique_ptr<CQuillonDlg> openWindow() {
        auto window = std::make_unique<CQuillonDlg>();
        window->show();
        return window;
    }

    // Opens the Networking dialog of the device, selects "WIFI", waits for
    // the load and hands the page to act.
    void throughWifiTab(const std::string& mac,
                        const std::function<void(CDlgDevCfg&, CConfigNetWF*)>& act) {
        const auto window = openWindow();
        m_window = window.get();
        const int row = rowOf(*window, mac);
        QVERIFY2(row >= 0, "the device is listed");
        throughNetworking(*window, row, [&](CDlgDevCfg& dialog) {
            const CloseAtEnd closer{dialog};
            CConfigNetWF* page = dialog.wifiPage();
            QVERIFY(!page->isVisible());
            selectTab(dialog, 1);
            QVERIFY(page->isVisible());
            QVERIFY(waitIdle(page, *window));
            act(dialog, page);
        });
        m_window = nullptr;
        QVERIFY(!window->busy());
    }

private slots:
    void init() {
        if (qEnvironmentVariableIsEmpty("QUILLON_LAB") || lab::devsimPath().empty()) {
            QSKIP(
                "needs the lab (tests/lab/lab.sh) and QUILLON_DEVSIM: this test sends "
                "broadcasts and connects to devices");
        }
        QVERIFY(lab::labAddAddress("A", "10.77.1.20"));
        QVERIFY(lab::labAddAddress("B", "10.77.2.20"));
        SetSearchWindowForTesting(300);
        SetTcpTimeoutsForTesting({std::chrono::milliseconds(3000), std::chrono::milliseconds(3000),
                                  std::chrono::milliseconds(2000)});
    }

    void cleanup() {
        m_segmentA.reset();
        m_segmentB.reset();
        SetSearchWindowForTesting(SEARCH_WINDOW_MS);
        ResetTcpTimeoutsForTesting();
        QVERIFY(!CSocketEx::Instance().IsOpen());
    }

    void selectingWifiLoadsAndShowsTheDevice() {
        startDevice();
        const BoxCapture boxes;
        throughWifiTab(DEVICE_MAC, [&](CDlgDevCfg&, CConfigNetWF* page) {
            QVERIFY(child<QCheckBox>(page, "wifiCheck")->isChecked());
            QVERIFY(!child<QCheckBox>(page, "dhcpCheck")->isChecked());
            QCOMPARE(addressTexts(page),
                     (QStringList{"10.77.1.120", "255.255.0.0", "10.77.1.254", "00:1A:2B:3C:4D:21",
                                  "10.77.1.53", "10.77.1.54"}));
            // One row per name, the connected network first; the two "Cafe"
            // records share the row of the first, with the second's columns.
            QCOMPARE(rowsOf(page), (QStringList{"Attic|Connected|100%|Encrypted",
                                                "Cafe|Disconnected|50%|Encrypted",
                                                "Home|Disconnected|78%|Encrypted"}));
            QCOMPARE(page->networks().size(), std::size_t{4});
            QCOMPARE(commandsOf(tcpRequestsIn(m_logA)),
                     (std::vector<std::uint16_t>{CMD_WIFI_GET_SETTINGS, CMD_GET_AUX_BLOCK,
                                                 CMD_WIFI_LIST_NETWORKS}));
        });
        QVERIFY(boxes.texts().isEmpty());
    }

    void enableStatesFollowWifiAndDhcp() {
        startDevice();
        const BoxCapture boxes;
        throughWifiTab(DEVICE_MAC, [&](CDlgDevCfg&, CConfigNetWF* page) {
            const auto states = [page] {
                return enableStates(page, {"wifiCheck", "dhcpCheck", "submitButton", "addButton",
                                           "refreshButton", "networkList"});
            };
            const auto fieldStates = [page] { return enableStates(page, ADDRESS_FIELDS); };
            // WIFI on, DHCP off: everything, the fields filled.
            QCOMPARE(states(), QString("111111"));
            QCOMPARE(fieldStates(), QString("111111"));

            // DHCP on: the fields go blank and disabled.
            QTest::mouseClick(child<QCheckBox>(page, "dhcpCheck"), Qt::LeftButton);
            QCOMPARE(states(), QString("111111"));
            QCOMPARE(fieldStates(), QString("000000"));
            QCOMPARE(addressTexts(page), QStringList(6, QString()));

            // WIFI off: the view empties, the networks stay, nothing asked.
            const std::size_t asked = tcpRequestsIn(m_logA).size();
            QTest::mouseClick(child<QCheckBox>(page, "wifiCheck"), Qt::LeftButton);
            QCOMPARE(states(), QString("101000"));
            QCOMPARE(fieldStates(), QString("000000"));
            QCOMPARE(page->networkList()->rowCount(), 0);
            QCOMPARE(page->networks().size(), std::size_t{4});

            // Back on, with DHCP now off: refilled from what was read.
            QTest::mouseClick(child<QCheckBox>(page, "wifiCheck"), Qt::LeftButton);
            QTest::mouseClick(child<QCheckBox>(page, "dhcpCheck"), Qt::LeftButton);
            QCOMPARE(states(), QString("111111"));
            QCOMPARE(fieldStates(), QString("111111"));
            QCOMPARE(rowsOf(page).size(), 3);
            QCOMPARE(addressTexts(page).first(), QString("10.77.1.120"));
            QCOMPARE(tcpRequestsIn(m_logA).size(), asked);

            // Enter and Esc on the page neither submit nor close.
            auto* submit = child<QPushButton>(page, "submitButton");
            submit->setFocus();
            QTest::keyClick(submit, Qt::Key_Return);
            QTest::keyClick(submit, Qt::Key_Escape);
            QTest::qWait(50);
            QVERIFY(page->isVisible());
            QCOMPARE(tcpRequestsIn(m_logA).size(), asked);
        });
        QVERIFY(boxes.texts().isEmpty());
    }

    void headerClicksSortEachGroupAndFlipTheDirection() {
        startDevice();
        const BoxCapture boxes;
        throughWifiTab(DEVICE_MAC, [&](CDlgDevCfg&, CConfigNetWF* page) {
            QHeaderView* header = page->networkList()->horizontalHeader();
            const auto clickSignal = [header] {
                const int x = header->sectionViewportPosition(2) + header->sectionSize(2) / 2;
                QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                                  QPoint(x, header->height() / 2));
            };
            // Make the next click the ascending one, whatever ran before.
            if (g_networkSortAscending == 1) {
                clickSignal();
            }
            clickSignal();
            QCOMPARE(g_networkSortAscending, 1);
            QCOMPARE(rowsOf(page), (QStringList{"Attic|Connected|100%|Encrypted",
                                                "Cafe|Disconnected|50%|Encrypted",
                                                "Home|Disconnected|78%|Encrypted"}));
            clickSignal();
            QCOMPARE(g_networkSortAscending, 0);
            QCOMPARE(rowsOf(page), (QStringList{"Attic|Connected|100%|Encrypted",
                                                "Home|Disconnected|78%|Encrypted",
                                                "Cafe|Disconnected|20%|Unencrypted"}));
        });
    }

    void addingANewNetworkJoinsItByName() {
        startDevice();
        const BoxCapture boxes;
        throughWifiTab(DEVICE_MAC, [&](CDlgDevCfg&, CConfigNetWF* page) {
            whenJoinDialogShows([](CConfigNetWFSet& join) {
                QTest::keyClicks(child<QLineEdit>(&join, "nameEdit"), " Guest ");
                choose(child<QComboBox>(&join, "authModeList"), 3);
                QTest::keyClicks(child<QLineEdit>(&join, "keyEdit"), "pw");
                QTest::mouseClick(child<QPushButton>(&join, "establishButton"), Qt::LeftButton);
            });
            QTest::mouseClick(child<QPushButton>(page, "addButton"), Qt::LeftButton);
            QVERIFY(waitIdle(page, *m_window));
            // The device doesn't know "Guest": refused, and the list read
            // again drops the record just added.
            QCOMPARE(rowsOf(page).size(), 3);
            QCOMPARE(page->networks().size(), std::size_t{4});
        });
        QCOMPARE(boxes.texts(), QStringList{"Operation failed!"});
        const auto requests = tcpRequestsIn(m_logA);
        QCOMPARE(commandsOf(requests).size(), std::size_t{5});
        const Bytes& join = requests[3];
        QCOMPARE(commandOf(join), CMD_WIFI_JOIN);
        QCOMPARE(join.size(), std::size_t{84});
        Bytes expected(72, 0);
        std::copy_n("Guest", 5, expected.begin());
        std::copy_n("pw", 2, expected.begin() + 32);
        ScrambleField(std::span(expected).subspan(32, 32));
        expected[65] = AUTH_WPA2_PSK;
        expected[66] = WEP_KEY_NONE;
        QVERIFY(Bytes(join.begin() + FRAME_HEADER_SIZE, join.end()) == expected);
    }

    void submitWithDhcpReportsWarnsAndCloses() {
        startDevice();
        const BoxCapture boxes;
        bool closedItself = false;
        throughWifiTab(DEVICE_MAC, [&](CDlgDevCfg& dialog, CConfigNetWF* page) {
            QTest::mouseClick(child<QCheckBox>(page, "dhcpCheck"), Qt::LeftButton);
            QTest::mouseClick(child<QPushButton>(page, "submitButton"), Qt::LeftButton);
            closedItself = QTest::qWaitFor([&dialog] { return !dialog.isVisible(); }, 2000);
        });
        QVERIFY(closedItself);
        QCOMPARE(boxes.texts(),
                 (QStringList{"Operation Succeeded!", CConfigNetWF::ADDRESS_CHANGE_TEXT}));
        const auto requests = tcpRequestsIn(m_logA);
        QCOMPARE(requests.size(), std::size_t{4});
        const Bytes& submit = requests[3];
        QCOMPARE(commandOf(submit), CMD_WIFI_SET_SETTINGS);
        QCOMPARE(submit.size(), FRAME_HEADER_SIZE + WIFI_SETTINGS_SIZE);
        const Bytes block(submit.begin() + FRAME_HEADER_SIZE, submit.end());
        QCOMPARE(block[wifi::WIFI_ENABLED], std::uint8_t{1});
        QCOMPARE(block[wifi::DHCP_ENABLED], std::uint8_t{1});
        // The address fields were blank: zeros; the MAC as read.
        QVERIFY(std::all_of(block.begin() + wifi::IP, block.begin() + wifi::MAC,
                            [](std::uint8_t b) { return b == 0; }));
        QVERIFY(Bytes(block.begin() + wifi::MAC, block.begin() + wifi::MAC + 6) ==
                (Bytes{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x21}));
        QVERIFY(std::all_of(block.begin() + wifi::DNS_PRIMARY,
                            block.begin() + wifi::DNS_SECONDARY + 4,
                            [](std::uint8_t b) { return b == 0; }));
        QCOMPARE(block[wifi::FLAGS], std::uint8_t{0x03});
        QCOMPARE(block[wifi::FLAGS + 1], std::uint8_t{0x04});
        // Every byte we don't interpret goes back as the device gave it.
        for (const std::size_t offset : {std::size_t{0}, std::size_t{535}, std::size_t{600},
                                         std::size_t{640}, WIFI_SETTINGS_SIZE - 1}) {
            QCOMPARE(block[offset], static_cast<std::uint8_t>((offset * 7 + 3) & 0xFF));
        }
    }

    void aFailedSettingsReadLeavesTheControlsDisabled() {
        startDevice({"tcp-wrong-magic"});
        const BoxCapture boxes;
        throughWifiTab(DEVICE_MAC, [&](CDlgDevCfg&, CConfigNetWF* page) {
            QCOMPARE(enableStates(page, {"wifiCheck", "dhcpCheck", "submitButton", "addButton",
                                         "refreshButton"}),
                     QString("00000"));
            QCOMPARE(enableStates(page, ADDRESS_FIELDS), QString("000000"));
        });
        QCOMPARE(boxes.texts(), QStringList{STATE_ERROR});
        QCOMPARE(commandsOf(tcpRequestsIn(m_logA)),
                 (std::vector<std::uint16_t>{CMD_WIFI_GET_SETTINGS}));
    }

    void aShortSettingsReplyStillLoads() {
        startDevice({"tcp-short-settings"});
        const BoxCapture boxes;
        throughWifiTab(DEVICE_MAC, [&](CDlgDevCfg&, CConfigNetWF* page) {
            QCOMPARE(addressTexts(page).first(), QString("10.77.1.120"));
            QCOMPARE(rowsOf(page).size(), 3);
        });
        QVERIFY(boxes.texts().isEmpty());
    }

    void closingDuringASilentLoadIsQuickAndFreesTheChannel() {
        startDevice();
        m_logB = lab::scratchFile("devsim-b.log");
        m_segmentB = std::make_unique<lab::BackgroundProcess>(
            lab::labValue("LAB_NS_B"),
            std::vector<std::string>{lab::devsimPath(), "--tcp", "--mode", "tcp-silent", "--config",
                                     QUILLON_SOURCE_DIR "/tests/ui/lab-wifi-silent.json", "--log",
                                     m_logB});
        QVERIFY(m_segmentB->ready());
        ResetTcpTimeoutsForTesting();  // the real 22 s receive wait
        const BoxCapture boxes;
        const auto window = openWindow();
        const int silent = rowOf(*window, SILENT_MAC);
        QVERIFY(silent >= 0);
        qint64 closeMs = -1;
        throughNetworking(*window, silent, [&](CDlgDevCfg& dialog) {
            const CloseAtEnd closer{dialog};
            CConfigNetWF* page = dialog.wifiPage();
            selectTab(dialog, 1);
            // The settings request has gone out and the worker waits.
            QVERIFY(QTest::qWaitFor([this] { return !tcpRequestsIn(m_logB).empty(); }, 5000));
            QTest::qWait(200);
            QCOMPARE(page->currentJob(), JOB_LOAD);
            QVERIFY(window->busy());
            QElapsedTimer clock;
            clock.start();
            dialog.close();
            closeMs = clock.elapsed();
        });
        qInfo("closing during the load took %lld ms", closeMs);
        // Far inside the 22 s the silent device would cost: the close cancelled
        // the exchange instead of waiting it out. (The figure is reported, not
        // asserted: a loaded machine must not fail the test.)
        QVERIFY2(closeMs >= 0 && closeMs < 2000, qPrintable(QString::number(closeMs)));
        // The abandoned job's "idle" was posted for it.
        QTRY_VERIFY_WITH_TIMEOUT(!window->busy(), 2000);
        QTRY_VERIFY_WITH_TIMEOUT(!CSocketEx::Instance().IsOpen(), 2000);
        // Nothing of the abandoned load shows up later.
        QTest::qWait(300);
        QVERIFY(boxes.texts().isEmpty());

        // The next dialog's load has the channel.
        const int good = rowOf(*window, DEVICE_MAC);
        QVERIFY(good >= 0);
        QStringList fields;
        throughNetworking(*window, good, [&](CDlgDevCfg& dialog) {
            const CloseAtEnd closer{dialog};
            selectTab(dialog, 1);
            QVERIFY(waitIdle(dialog.wifiPage(), *window));
            fields = addressTexts(dialog.wifiPage());
        });
        QCOMPARE(fields.first(), QString("10.77.1.120"));
        QVERIFY(boxes.texts().isEmpty());
    }

    void joiningAListedNetwork_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QString>("homeRow");
        QTest::newRow("right key") << "hunter22"
                                   << "Operation Succeeded!"
                                   << "Home|Connected|78%|Encrypted";
        QTest::newRow("wrong key") << "hunter23"
                                   << "Operation failed!"
                                   << "Home|Disconnected|78%|Encrypted";
    }

    void joiningAListedNetwork() {
        QFETCH(QString, key);
        QFETCH(QString, outcome);
        QFETCH(QString, homeRow);
        startDevice();
        const BoxCapture boxes;
        throughWifiTab(DEVICE_MAC, [&](CDlgDevCfg&, CConfigNetWF* page) {
            const int home = rowsOf(page).indexOf(QRegularExpression("^Home\\|.*"));
            QVERIFY(home >= 0);
            whenJoinDialogShows([&key](CConfigNetWFSet& join) {
                QTest::keyClicks(child<QLineEdit>(&join, "keyEdit"), key);
                QTest::mouseClick(child<QPushButton>(&join, "establishButton"), Qt::LeftButton);
            });
            doubleClickRow(page, home);
            QVERIFY(waitIdle(page, *m_window));
            QVERIFY(rowsOf(page).contains(homeRow));
        });
        QCOMPARE(boxes.texts(), QStringList{outcome});

        const auto requests = tcpRequestsIn(m_logA);
        QCOMPARE(commandsOf(requests),
                 (std::vector<std::uint16_t>{CMD_WIFI_GET_SETTINGS, CMD_GET_AUX_BLOCK,
                                             CMD_WIFI_LIST_NETWORKS, CMD_WIFI_JOIN,
                                             CMD_WIFI_LIST_NETWORKS}));
        const Bytes& join = requests[3];
        QCOMPARE(join.size(), std::size_t{84});
        const Bytes record(join.begin() + FRAME_HEADER_SIZE, join.end());
        QCOMPARE(std::string(record.begin(), record.begin() + 5), std::string("Home", 5));
        // The key went out scrambled, the rest of its field zero.
        Bytes expectedKey(32, 0);
        const std::string typed = key.toStdString();
        std::copy(typed.begin(), typed.end(), expectedKey.begin());
        ScrambleField(expectedKey);
        QVERIFY(Bytes(record.begin() + 32, record.begin() + 64) == expectedKey);
        QCOMPARE(record[65], AUTH_WPA2_PSK);
    }
};

QTEST_MAIN(WifiPageLabTest)
#include "WifiPageLabTest.moc"

// The Networking dialog, its wired page and the main window's wired
// handlers, offscreen. Adapters and command threads are faked through the
// window's test hooks, so nothing is sent; the outcome boxes, the waits and
// the refresh are the window's own.

#include <QElapsedTimer>
#include <QLabel>
#include <QTabBar>
#include <atomic>
#include <memory>
#include <set>

#include "WiredTestSupport.h"
#include "net/TcpRequest.h"
#include "ui/config/WiredCommandScope.h"
#include "ui/config/WiredCommands.h"

using namespace quillon;
using namespace quillon::test;

namespace {

struct SentCommand {
    std::string adapter;
    WiredCommand command;
    NetAddressBlock request;
};

// Stands in for the command threads: notes what each would send and
// reports the outcome a device would have given.
class FakeCommands {
public:
    WiredCommandHooks hooks(std::vector<std::string> adapters, WiredOutcome outcome) {
        WiredCommandHooks hooks;
        hooks.listAdapters = [adapters] {
            std::vector<AdapterAddress> list;
            for (const auto& a : adapters) {
                list.push_back({"fake", static_cast<unsigned>(list.size() + 1), a});
            }
            return list;
        };
        hooks.runThread = [state = m_state, outcome](CommandSlot slot, WiredCommand command) {
            {
                std::lock_guard lock(state->mutex);
                state->sent.push_back({slot.address, command, slot.request});
            }
            slot.report(slot.address, outcome);
            std::lock_guard lock(state->mutex);
            ++state->ended;
        };
        return hooks;
    }
    std::vector<SentCommand> sent() const {
        std::lock_guard lock(m_state->mutex);
        return m_state->sent;
    }
    int ended() const {
        std::lock_guard lock(m_state->mutex);
        return m_state->ended;
    }

private:
    struct State {
        std::mutex mutex;
        std::vector<SentCommand> sent;
        int ended = 0;
    };
    std::shared_ptr<State> m_state = std::make_shared<State>();
};

DevInfo wiredDevice(bool netStateValid, bool dhcpOn) {
    DevInfo d = makeDevice("Cam", "02:00:0A:00:00:21", "192.168.1.21", "QA1", "80");
    d.gateway = "192.168.1.1";
    d.netStateValid = netStateValid;
    d.dhcpOn = dhcpOn;
    return d;
}

QList<QMessageBox*> visibleBoxes() {
    QList<QMessageBox*> boxes;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(w); box != nullptr && box->isVisible()) {
            boxes << box;
        }
    }
    return boxes;
}

}  // namespace

class WiredConfigTest : public QObject {
    Q_OBJECT

private:
    FakeNetwork m_network;
    std::time_t m_now = 1'000'000;

    std::unique_ptr<CQuillonDlg> openWindow(std::vector<DevInfo> devices) {
        m_network.setDevices(std::move(devices));
        auto window = std::make_unique<CQuillonDlg>();
        window->SetRefreshHooksForTesting(m_network.hooks());
        window->SetRefreshClockForTesting([this] { return m_now; });
        window->show();
        m_now += 10;  // the refresh after a command may run
        return window;
    }

    // Searches that find nothing and count how often a refresh began.
    RefreshHooks countingRefreshes(int& refreshes) const {
        RefreshHooks hooks = m_network.hooks();
        hooks.listAdapters = [&refreshes] {
            ++refreshes;
            return std::vector<AdapterAddress>{};
        };
        return hooks;
    }

    // A configuration dialog of its own, shown, for the page's states.
    static std::unique_ptr<CDlgDevCfg> openDialog(const DevInfo& device) {
        auto dialog = std::make_unique<CDlgDevCfg>();
        dialog->SetDevice(device);
        dialog->show();
        return dialog;
    }

    static QStringList fieldTexts(CDevInfoModify* page) {
        return {child<QLineEdit>(page, "ipEdit")->text(),
                child<QLineEdit>(page, "maskEdit")->text(),
                child<QLineEdit>(page, "gatewayEdit")->text(),
                child<QLineEdit>(page, "macEdit")->text()};
    }

    static bool fieldsEnabled(CDevInfoModify* page) {
        for (const char* name : {"ipEdit", "maskEdit", "gatewayEdit", "macEdit"}) {
            if (!child<QLineEdit>(page, name)->isEnabled()) {
                return false;
            }
        }
        return true;
    }

private slots:
    void init() { g_netAddress = {}; }

    void tabsAndFirstPageFollowTheDevice_data() {
        QTest::addColumn<int>("wifiSupport");
        QTest::addColumn<bool>("wirelessOn");
        QTest::addColumn<int>("tabs");
        QTest::addColumn<int>("selected");
        QTest::addColumn<bool>("wifiPageShown");
        QTest::newRow("wired only") << 0 << false << 1 << 0 << false;
        QTest::newRow("wireless, off") << 1 << false << 2 << 0 << false;
        QTest::newRow("wireless, on") << 1 << true << 2 << 1 << true;
        // The flag alone picks the page; the strip can't select a tab it lacks.
        QTest::newRow("flag without support") << 0 << true << 1 << 0 << true;
    }

    void tabsAndFirstPageFollowTheDevice() {
        QFETCH(int, wifiSupport);
        QFETCH(bool, wirelessOn);
        QFETCH(int, tabs);
        QFETCH(int, selected);
        QFETCH(bool, wifiPageShown);
        DevInfo device = wiredDevice(true, false);
        device.wifiSupport = wifiSupport;
        device.wirelessOn = wirelessOn;
        const auto dialog = openDialog(device);
        QCOMPARE(dialog->windowTitle(), QString("Netwroking Config"));
        QCOMPARE(dialog->tabStrip()->count(), tabs);
        QCOMPARE(dialog->tabStrip()->tabText(0), QString("Networking"));
        QCOMPARE(dialog->tabStrip()->currentIndex(), selected);
        QCOMPARE(dialog->wifiPage()->isVisible(), wifiPageShown);
        QCOMPARE(dialog->wiredPage()->isVisible(), !wifiPageShown);
        QWidget* page = dialog->currentPage();
        QCOMPARE(page->geometry(), QRect(0, CDlgDevCfg::PAGE_TOP, dialog->width(),
                                         dialog->height() - CDlgDevCfg::PAGE_TOP));
        if (tabs == 2) {
            dialog->tabStrip()->setCurrentIndex(1 - selected);
            QCOMPARE(dialog->currentPage() == dialog->wifiPage(), !wifiPageShown);
            QCOMPARE(dialog->wifiPage()->isVisible(), !wifiPageShown);
        }
    }

    void setDeviceAimsTheTcpChannelAndTheWirelessPage() {
        DevInfo device = wiredDevice(true, false);
        device.ip = "10.1.2.3";
        device.videoPort = "34567x";
        device.capabilityBits = "34";
        device.wifiSupport = 1;
        CDlgDevCfg dialog;
        dialog.SetDevice(device);
        QCOMPARE(std::string(g_targetIp.data()), std::string("10.1.2.3"));
        QCOMPARE(g_targetPort, 34567);
        QCOMPARE(dialog.wifiPage()->capabilityBits(), 34);
        QVERIFY(dialog.device() == device);
    }

    void withoutNetStateThereIsNoDhcpBox() {
        const auto dialog = openDialog(wiredDevice(false, true));
        CDevInfoModify* page = dialog->wiredPage();
        QVERIFY(!child<QCheckBox>(page, "dhcpCheck")->isVisible());
        QVERIFY(!child<QLabel>(page, "dhcpLabel")->isVisible());
        QCOMPARE(fieldTexts(page), (QStringList{"192.168.1.21", "255.255.255.0", "192.168.1.1",
                                                "02:00:0A:00:00:21"}));
        QVERIFY(fieldsEnabled(page));
        QVERIFY(child<QLineEdit>(page, "macEdit")->isReadOnly());
    }

    void tickingEmptiesAndUntickingRestoresTheEntry() {
        const auto dialog = openDialog(wiredDevice(true, true));
        CDevInfoModify* page = dialog->wiredPage();
        auto* dhcp = child<QCheckBox>(page, "dhcpCheck");
        QVERIFY(dhcp->isVisible());
        QVERIFY(dhcp->isChecked());
        QCOMPARE(fieldTexts(page), (QStringList{"", "", "", ""}));
        QVERIFY(!child<QLineEdit>(page, "ipEdit")->isEnabled());

        QTest::mouseClick(dhcp, Qt::LeftButton);
        QVERIFY(fieldsEnabled(page));
        QCOMPARE(fieldTexts(page).first(), QString("192.168.1.21"));
        typeInto(child<QLineEdit>(page, "ipEdit"), "192.168.1.99");
        QTest::mouseClick(dhcp, Qt::LeftButton);
        QCOMPARE(fieldTexts(page), (QStringList{"", "", "", ""}));
        QTest::mouseClick(dhcp, Qt::LeftButton);
        // What was typed is gone: the entry's values come back.
        QCOMPARE(fieldTexts(page), (QStringList{"192.168.1.21", "255.255.255.0", "192.168.1.1",
                                                "02:00:0A:00:00:21"}));
    }

    void addressFieldTakesOnlyDottedAddresses() {
        IpAddressEdit edit;
        QTest::keyClicks(&edit, "1a9x2.168.300.1.");
        // Letters, a 300 and a fifth number are refused as they are typed.
        QCOMPARE(edit.text(), QString("192.168.30.1"));
        QCOMPARE(IpAddressEdit::normalised(""), QString("0.0.0.0"));
        QCOMPARE(IpAddressEdit::normalised("10.0.0"), QString());
        QCOMPARE(IpAddressEdit::normalised("10.0.0."), QString());
        QCOMPARE(IpAddressEdit::normalised("010.000.1.2"), QString("10.0.1.2"));
        QCOMPARE(IpAddressEdit::normalised("1.2.3.4.5"), QString());
        QCOMPARE(IpAddressEdit::normalised("1.2.3.256"), QString());
    }

    // Nothing is sent, nothing is said, and the dialog stays open.
    void unsavableEntriesDoNothing_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::newRow("cleared gateway") << "gatewayEdit"
                                         << "";
        QTest::newRow("zero address") << "ipEdit"
                                      << "0.0.0.0";
        QTest::newRow("half an address") << "maskEdit"
                                         << "255.255";
        QTest::newRow("trailing dot") << "ipEdit"
                                      << "192.168.1.";
    }

    void unsavableEntriesDoNothing() {
        QFETCH(QString, field);
        QFETCH(QString, text);
        const BoxCapture boxes;
        FakeCommands commands;
        const auto window = openWindow({wiredDevice(true, false)});
        window->SetWiredCommandHooksForTesting(commands.hooks({"192.168.1.7"}, {}));
        bool stillOpen = false;
        throughNetworking(*window, 0, [&](CDlgDevCfg& dialog) {
            CDevInfoModify* page = dialog.wiredPage();
            typeInto(child<QLineEdit>(page, field.toLatin1().constData()), text);
            QTest::mouseClick(child<QPushButton>(page, "saveButton"), Qt::LeftButton);
            QTest::qWait(20);
            stillOpen = dialog.isVisible();
            dialog.close();
        });
        QVERIFY(stillOpen);
        QVERIFY(boxes.texts().isEmpty());
        QVERIFY(commands.sent().empty());
    }

    void enterAndEscapeDoNothing() {
        const BoxCapture boxes;
        FakeCommands commands;
        const auto window = openWindow({wiredDevice(true, false)});
        window->SetWiredCommandHooksForTesting(commands.hooks({"192.168.1.7"}, {}));
        bool stillOpen = false;
        throughNetworking(*window, 0, [&](CDlgDevCfg& dialog) {
            CDevInfoModify* page = dialog.wiredPage();
            auto* ip = child<QLineEdit>(page, "ipEdit");
            typeInto(ip, "192.168.1.50");
            QTest::keyClick(ip, Qt::Key_Return);
            QTest::keyClick(ip, Qt::Key_Enter);
            QTest::keyClick(ip, Qt::Key_Escape);
            QTest::keyClick(child<QPushButton>(page, "saveButton"), Qt::Key_Return);
            QTest::keyClick(&dialog, Qt::Key_Escape);
            QTest::qWait(20);
            stillOpen = dialog.isVisible();
            dialog.close();
        });
        QVERIFY(stillOpen);
        QVERIFY(commands.sent().empty());
    }

    void saveSendsFromTheAdapterSharingThePrefixThenRefreshes() {
        const BoxCapture boxes;
        FakeCommands commands;
        const auto window = openWindow({wiredDevice(true, false)});
        window->SetWiredCommandHooksForTesting(
            commands.hooks({"10.0.0.3", "192.168.1.7", "192.168.10.7", "192.168.2.7"},
                           WiredOutcome::OperationSucceeded));
        DevInfo moved = wiredDevice(true, false);
        moved.ip = "192.168.1.50";
        m_network.setDevices({moved});
        throughNetworking(*window, 0, [](CDlgDevCfg& dialog) {
            CDevInfoModify* page = dialog.wiredPage();
            typeInto(child<QLineEdit>(page, "ipEdit"), "192.168.1.50");
            typeInto(child<QLineEdit>(page, "maskEdit"), "255.255.0.0");
            typeInto(child<QLineEdit>(page, "gatewayEdit"), "192.168.1.254");
            QTest::mouseClick(child<QPushButton>(page, "saveButton"), Qt::LeftButton);
        });
        const auto sent = commands.sent();
        // Characters are compared, not octets: 192.168.10.7 shares "192.168.1".
        QCOMPARE(sent.size(), std::size_t{2});
        QCOMPARE(sent[0].adapter, std::string("192.168.1.7"));
        QCOMPARE(sent[1].adapter, std::string("192.168.10.7"));
        QVERIFY(sent[0].command == WiredCommand::SetNetwork);
        QCOMPARE(FieldText(sent[0].request.ip), std::string_view("192.168.1.50"));
        QCOMPARE(FieldText(sent[0].request.subnetMask), std::string_view("255.255.0.0"));
        QCOMPARE(FieldText(sent[0].request.gateway), std::string_view("192.168.1.254"));
        QCOMPARE(FieldText(sent[0].request.mac), std::string_view("02:00:0A:00:00:21"));
        QCOMPARE(boxes.texts(), (QStringList{"Operation Succeeded!", "Operation Succeeded!"}));
        QCOMPARE(cell(*window, 0, 4), QString("192.168.1.50"));
    }

    void dhcpAsksFirstThenSendsFromEveryAdapterInTurn() {
        const BoxCapture boxes;
        FakeCommands commands;
        const auto window = openWindow({wiredDevice(true, false)});
        window->SetWiredCommandHooksForTesting(
            commands.hooks({"10.0.0.3", "192.168.1.7", "0.0.0.0"}, WiredOutcome::SetDhcpFailed));
        throughNetworking(*window, 0, [](CDlgDevCfg& dialog) {
            CDevInfoModify* page = dialog.wiredPage();
            QTest::mouseClick(child<QCheckBox>(page, "dhcpCheck"), Qt::LeftButton);
            QTest::mouseClick(child<QPushButton>(page, "saveButton"), Qt::LeftButton);
        });
        const auto sent = commands.sent();
        QCOMPARE(sent.size(), std::size_t{3});
        QCOMPARE(sent[0].adapter, std::string("10.0.0.3"));
        QCOMPARE(sent[2].adapter, std::string("0.0.0.0"));
        for (const auto& s : sent) {
            QVERIFY(s.command == WiredCommand::SetDhcp);
            QCOMPARE(FieldText(s.request.mac), std::string_view("02:00:0A:00:00:21"));
        }
        QCOMPARE(boxes.texts(), (QStringList{CDevInfoModify::CONFIRM_DHCP_TEXT, "Set DHCP Failed!",
                                             "Set DHCP Failed!", "Set DHCP Failed!"}));
        const QString program = MessageBoxTitle();
        QCOMPARE(boxes.titles(), (QStringList{QString(), program, program, program}));
    }

    void aMacTooLongForTheRequestIsRefusedNotCut_data() {
        QTest::addColumn<bool>("dhcp");
        QTest::newRow("static") << false;
        QTest::newRow("dhcp") << true;
    }

    void aMacTooLongForTheRequestIsRefusedNotCut() {
        QFETCH(bool, dhcp);
        const BoxCapture boxes;
        FakeCommands commands;
        DevInfo device = wiredDevice(true, false);
        device.mac = "02:00:0A:00:00:21:FF";  // 20 characters, as an unterminated field gives
        const auto window = openWindow({device});
        window->SetWiredCommandHooksForTesting(commands.hooks({"192.168.1.7"}, {}));
        const NetAddressBlock before = g_netAddress;
        bool stillOpen = false;
        throughNetworking(*window, 0, [&](CDlgDevCfg& dialog) {
            CDevInfoModify* page = dialog.wiredPage();
            if (dhcp) {
                QTest::mouseClick(child<QCheckBox>(page, "dhcpCheck"), Qt::LeftButton);
            }
            QTest::mouseClick(child<QPushButton>(page, "saveButton"), Qt::LeftButton);
            QTest::qWait(20);
            stillOpen = dialog.isVisible();
            dialog.close();
        });
        QVERIFY(stillOpen);
        QVERIFY(commands.sent().empty());
        QCOMPARE(boxes.texts(), QStringList{QString::fromLatin1(MAC_TOO_LONG_TEXT.data(),
                                                                MAC_TOO_LONG_TEXT.size())});
        QVERIFY(before.Encode() == g_netAddress.Encode());
    }

    // Real boxes: the second adapter's box comes while the first is still
    // open, answering it ends its wait at once, the window takes no input
    // meanwhile, and closing the window with a thread in its box is clean.
    void outcomeBoxesStackAndEndTheirWaits() {
        FakeCommands commands;
        auto window = openWindow({wiredDevice(false, false)});
        window->SetWiredCommandHooksForTesting(
            commands.hooks({"192.168.1.7", "192.168.1.8"}, WiredOutcome::OperationSucceeded));
        int refreshes = 0;
        window->SetRefreshHooksForTesting(countingRefreshes(refreshes));

        std::set<QMessageBox*> seen;
        int mostOnScreen = 0;
        bool refreshClickIgnored = false;
        QElapsedTimer sinceAnswer;
        QTimer watcher;
        watcher.setInterval(20);
        connect(&watcher, &QTimer::timeout, this, [&] {
            const auto boxes = visibleBoxes();
            mostOnScreen = std::max(mostOnScreen, static_cast<int>(boxes.size()));
            for (QMessageBox* box : boxes) {
                if (seen.insert(box).second && seen.size() == 2) {
                    QCOMPARE(box->text(), QString("Operation Succeeded!"));
                    QCOMPARE(box->windowTitle(), MessageBoxTitle());
                    const int before = refreshes;
                    QTest::mouseClick(window->findChild<QPushButton*>("refreshButton"),
                                      Qt::LeftButton);
                    refreshClickIgnored = refreshes == before;
                    sinceAnswer.start();
                    QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
                }
            }
        });
        watcher.start();
        m_now += 10;
        throughNetworking(*window, 0, [](CDlgDevCfg& dialog) {
            QTest::mouseClick(child<QPushButton>(dialog.wiredPage(), "saveButton"), Qt::LeftButton);
        });
        watcher.stop();
        QVERIFY(sinceAnswer.isValid());
        const qint64 afterAnswer = sinceAnswer.elapsed();
        QCOMPARE(mostOnScreen, 2);
        QVERIFY(refreshClickIgnored);
        // Answering the box ended its thread, so the 2000 ms wait ended early.
        QVERIFY2(afterAnswer < SET_NETWORK_WAIT_MS / 2, qPrintable(QString::number(afterAnswer)));
        QCOMPARE(commands.ended(), 1);
        QCOMPARE(window->openOutcomeBoxes(), 1);

        // The first thread still waits in its box when the window goes.
        window.reset();
        JoinOutstandingWorkerThreads();
        QCOMPARE(commands.ended(), 2);
        QVERIFY(visibleBoxes().isEmpty());
    }

    // A box another part opens while a command waits (a WiFi job failing)
    // runs its loop above the command's wait: unless it takes input, neither
    // can ever end.
    void aBoxOpenedDuringACommandTakesInput() {
        auto window = openWindow({wiredDevice(false, false)});
        WiredCommandScope command;
        bool answeredByKey = false;
        QTimer answer;
        answer.setInterval(20);
        int ticks = 0;
        connect(&answer, &QTimer::timeout, this, [&] {
            const auto boxes = visibleBoxes();
            if (boxes.isEmpty()) {
                return;
            }
            if (++ticks == 1) {
                QTest::keyClick(boxes.front(), Qt::Key_Return);
                answeredByKey = visibleBoxes().isEmpty();
            } else {
                boxes.front()->done(QMessageBox::Cancel);  // so a failure cannot hang the run
            }
        });
        answer.start();
        ShowMessageBox(window.get(), "The device state error, operation failed!");
        answer.stop();
        QVERIFY(answeredByKey);

        // The main window itself still takes nothing.
        int refreshes = 0;
        window->SetRefreshHooksForTesting(countingRefreshes(refreshes));
        m_now += 10;
        QTest::mouseClick(window->findChild<QPushButton*>("refreshButton"), Qt::LeftButton);
        QCOMPARE(refreshes, 0);
    }
};

QTEST_MAIN(WiredConfigTest)
#include "WiredConfigTest.moc"

// The Networking dialog through the real window, inside the lab: set address
// and set DHCP reach simulated devices (tests/ui/lab-wired.json on segment
// A, an empty simulator on segment B), checked by the boxes shown, the
// simulators' logs and the refreshed list. Skipped outside the lab.

#include <QElapsedTimer>
#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>

#include "LabNetwork.h"
#include "WiredTestSupport.h"
#include "discovery/SearchWorker.h"
#include "net/FrameHeader.h"
#include "ui/config/WiredCommands.h"

using namespace quillon;
using namespace quillon::test;

namespace {

const QString OLD_DEVICE = QStringLiteral("Operation failed,May be old Device!");

struct LoggedDatagram {
    std::string source;
    std::vector<std::uint8_t> bytes;
};

// The datagrams a simulator's log says it received, search probes left out.
std::vector<LoggedDatagram> commandsIn(const std::string& logPath) {
    std::vector<LoggedDatagram> found;
    for (auto& d : lab::readDevsimLog(logPath, "recv")) {
        if (d.bytes.size() > FRAME_HEADER_SIZE) {
            found.push_back({d.peerAddress, std::move(d.bytes)});
        }
    }
    return found;
}

std::size_t probeCount(const std::string& logPath) {
    const auto received = lab::readDevsimLog(logPath, "recv");
    return static_cast<std::size_t>(
        std::count_if(received.begin(), received.end(), [](const auto& d) {
            return d.bytes.size() == FRAME_HEADER_SIZE && StartsWithMagic(d.bytes);
        }));
}

std::vector<std::uint8_t> bytesOf(std::span<const std::uint8_t> message) {
    return {message.begin(), message.end()};
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

}  // namespace

class WiredLabTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<lab::BackgroundProcess> m_segmentA;
    std::unique_ptr<lab::BackgroundProcess> m_segmentB;
    std::string m_logA;
    std::string m_logB;
    std::time_t m_now = 1'000'000;

    std::unique_ptr<CQuillonDlg> openWindow() {
        auto window = std::make_unique<CQuillonDlg>();
        window->SetRefreshClockForTesting([this] { return m_now; });
        window->show();
        return window;
    }

    // Saves the typed static addresses in the dialog.
    static void saveAddresses(CDlgDevCfg& dialog, const QString& ip, const QString& mask,
                              const QString& gateway) {
        CDevInfoModify* page = dialog.wiredPage();
        typeInto(child<IpAddressEdit>(page, "ipEdit"), ip);
        typeInto(child<IpAddressEdit>(page, "maskEdit"), mask);
        typeInto(child<IpAddressEdit>(page, "gatewayEdit"), gateway);
        QTest::mouseClick(child<QPushButton>(page, "saveButton"), Qt::LeftButton);
    }

    static void saveDhcp(CDlgDevCfg& dialog) {
        CDevInfoModify* page = dialog.wiredPage();
        auto* box = child<QCheckBox>(page, "dhcpCheck");
        if (!box->isChecked()) {
            QTest::mouseClick(box, Qt::LeftButton);
        }
        QTest::mouseClick(child<QPushButton>(page, "saveButton"), Qt::LeftButton);
    }

    QStringList dhcpThroughWindow(const std::string& mac) {
        const BoxCapture boxes;
        const auto window = openWindow();
        const int row = rowOf(*window, mac);
        if (row < 0) {
            qWarning("%s not listed", mac.c_str());
            return {};
        }
        m_now += 10;
        throughNetworking(*window, row, saveDhcp);
        return boxes.texts();
    }

private slots:
    void init() {
        if (qEnvironmentVariableIsEmpty("QUILLON_LAB") || lab::devsimPath().empty()) {
            QSKIP(
                "needs the lab (tests/lab/lab.sh) and QUILLON_DEVSIM: this test sends broadcasts");
        }
        SetSearchWindowForTesting(300);
        SetDhcpWaitForTesting(300);
        // Fresh simulators each time: set address changes them.
        m_logA = lab::scratchFile("devsim-a.log");
        m_logB = lab::scratchFile("devsim-b.log");
        m_segmentA = std::make_unique<lab::BackgroundProcess>(
            lab::labValue("LAB_NS_A"),
            std::vector<std::string>{lab::devsimPath(), "--config",
                                     QUILLON_SOURCE_DIR "/tests/ui/lab-wired.json", "--log",
                                     m_logA});
        m_segmentB = std::make_unique<lab::BackgroundProcess>(
            lab::labValue("LAB_NS_B"),
            std::vector<std::string>{lab::devsimPath(), "--log", m_logB});
        QVERIFY(m_segmentA->ready() && m_segmentB->ready());
    }

    void cleanup() {
        m_segmentA.reset();
        m_segmentB.reset();
        SetSearchWindowForTesting(SEARCH_WINDOW_MS);
        SetDhcpWaitForTesting(SET_DHCP_WAIT_MS);
    }

    void staticAddressGoesFromTheMatchingAdapterOnly() {
        const BoxCapture boxes;
        const auto window = openWindow();
        const int row = rowOf(*window, "02:00:0A:00:00:21");
        QVERIFY(row >= 0);
        m_now += 10;
        throughNetworking(*window, row, [](CDlgDevCfg& dialog) {
            saveAddresses(dialog, "10.77.1.50", "255.255.0.0", "10.77.1.254");
        });

        QCOMPARE(boxes.texts(), QStringList{"Operation Succeeded!"});
        const auto commands = commandsIn(m_logA);
        QCOMPARE(commands.size(), std::size_t{1});
        QCOMPARE(commands[0].source, std::string("10.77.1.1"));
        QCOMPARE(commands[0].bytes.size(), std::size_t{92});
        QVERIFY(commands[0].bytes == bytesOf(BuildSetAddressMessage(g_netAddress)));
        QCOMPARE(FieldText(g_netAddress.mac), std::string_view("02:00:0A:00:00:21"));
        QVERIFY(commandsIn(m_logB).empty());

        // The refresh after the command finds the device where it now is.
        const int moved = rowOf(*window, "02:00:0A:00:00:21");
        QVERIFY(moved >= 0);
        QCOMPARE(cell(*window, moved, 4), QString("10.77.1.50"));
        QCOMPARE(cell(*window, moved, 5), QString("10.77.1.254"));
        QCOMPARE(cell(*window, moved, 6), QString("255.255.0.0"));
    }

    void addressOnNoAdaptersNetworkSendsNothingButRefreshes() {
        const BoxCapture boxes;
        const auto window = openWindow();
        const int row = rowOf(*window, "02:00:0A:00:00:22");
        QVERIFY(row >= 0);
        const std::size_t probesBefore = probeCount(m_logA);
        m_now += 10;
        throughNetworking(*window, row, [](CDlgDevCfg& dialog) {
            saveAddresses(dialog, "192.168.77.5", "255.255.255.0", "192.168.77.1");
        });
        QVERIFY(boxes.texts().isEmpty());
        QVERIFY(commandsIn(m_logA).empty());
        QVERIFY(commandsIn(m_logB).empty());
        QVERIFY(probeCount(m_logA) > probesBefore);
        QCOMPARE(window->devices().size(), std::size_t{5});
    }

    void dhcpNoSendsNothingAndKeepsTheDialog() {
        const BoxCapture boxes(QMessageBox::No);
        const auto window = openWindow();
        const int row = rowOf(*window, "02:00:0A:00:00:21");
        QVERIFY(row >= 0);
        bool stillOpen = false;
        throughNetworking(*window, row, [&stillOpen](CDlgDevCfg& dialog) {
            saveDhcp(dialog);
            QTest::qWait(50);
            stillOpen = dialog.isVisible();
            dialog.close();
        });
        QVERIFY(stillOpen);
        QCOMPARE(boxes.texts(), QStringList{CDevInfoModify::CONFIRM_DHCP_TEXT});
        QVERIFY(commandsIn(m_logA).empty());
    }

    void dhcpOutcomes_data() {
        QTest::addColumn<QString>("mac");
        QTest::addColumn<QString>("fromSegmentA");
        QTest::newRow("result 0") << "02:00:0A:00:00:21"
                                  << "Set DHCP Succeeded!!";
        QTest::newRow("result 5") << "02:00:0A:00:00:22"
                                  << "Set DHCP Failed!";
        QTest::newRow("12 bytes") << "02:00:0A:00:00:23" << OLD_DEVICE;
        QTest::newRow("20 bytes") << "02:00:0A:00:00:24" << OLD_DEVICE;
        QTest::newRow("silent") << "02:00:0A:00:00:25" << OLD_DEVICE;
    }

    void dhcpOutcomes() {
        QFETCH(QString, mac);
        QFETCH(QString, fromSegmentA);
        const QStringList texts = dhcpThroughWindow(mac.toStdString());
        // One box per adapter, in adapter order: A, B (nobody there), and the
        // adapter without an address.
        QCOMPARE(texts, (QStringList{CDevInfoModify::CONFIRM_DHCP_TEXT, fromSegmentA, OLD_DEVICE,
                                     OLD_DEVICE}));
        const auto commands = commandsIn(m_logA);
        QCOMPARE(commands.size(), std::size_t{1});
        QCOMPARE(commands[0].source, std::string("10.77.1.1"));
        QVERIFY(commands[0].bytes == BuildSetDhcpMessage(mac.toStdString()));
        QCOMPARE(commands[0].bytes.size(), std::size_t{29});
        QCOMPARE(commands[0].bytes[4], std::uint8_t{17});
        QCOMPARE(commandsIn(m_logB).size(), std::size_t{1});
    }

    // The one test at the real 8000 ms: segments B and N stay silent.
    void dhcpWaitsTheRealEightSecondsPerSilentAdapter() {
        SetDhcpWaitForTesting(SET_DHCP_WAIT_MS);
        QElapsedTimer clock;
        clock.start();
        const QStringList texts = dhcpThroughWindow("02:00:0A:00:00:21");
        const qint64 elapsed = clock.elapsed();
        QCOMPARE(texts, (QStringList{CDevInfoModify::CONFIRM_DHCP_TEXT, "Set DHCP Succeeded!!",
                                     OLD_DEVICE, OLD_DEVICE}));
        QVERIFY2(elapsed >= 2 * SET_DHCP_WAIT_MS - 100, qPrintable(QString::number(elapsed)));
    }
};

QTEST_MAIN(WiredLabTest)
#include "WiredLabTest.moc"

// The main window refreshing for real, inside the lab, against simulated
// devices: segment A has two cameras answering both probes and one answering
// only the basic probe, segment B one recorder, segment N (the adapter with
// no address) nothing. Skipped outside the lab.

#include <QPushButton>
#include <QTest>
#include <ctime>
#include <memory>

#include "UiTestSupport.h"
#include "discovery/SearchWorker.h"
#include "ui/main/DevicePage.h"
#include "ui/main/DeviceSort.h"
#include "ui/main/WaitCursor.h"

using namespace quillon;
using namespace quillon::test;

namespace {

double processCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

}  // namespace

class MainWindowLabTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        if (qEnvironmentVariableIsEmpty("QUILLON_LAB")) {
            QSKIP("needs the lab (tests/lab/lab.sh): this test sends broadcasts");
        }
    }

    void cleanup() { SetSearchWindowForTesting(SEARCH_WINDOW_MS); }

    // The one test at the real 5 s collection window.
    void firstRefreshListsTheSimulatedDevices() {
        CQuillonDlg dialog;
        const double cpuBefore = processCpuSeconds();
        dialog.show();
        qInfo("first refresh: %.3f s CPU", processCpuSeconds() - cpuBefore);
        QCOMPARE(columnTexts(dialog, 0),
                 (QStringList{"Yard NVR", "Cam ten", "Cam nine", "Old dome"}));
        QCOMPARE(columnTexts(dialog, 1), (QStringList{"QB0000005", "QA0000010", "QA0000009", ""}));
        QCOMPARE(columnTexts(dialog, 4),
                 (QStringList{"10.77.2.5", "10.77.1.10", "10.77.1.9", "10.77.1.100"}));
        // Cam ten: wireless and DHCP reported, audio talk, no storage.
        QCOMPARE(cell(dialog, 1, 2), QString("N"));
        QCOMPARE(cell(dialog, 1, 3), QString("Y"));
        QCOMPARE(cell(dialog, 1, 7), QString("02:00:0A:00:00:10"));
        QCOMPARE(cell(dialog, 1, 13), QString("Y"));
        QCOMPARE(cell(dialog, 1, 14), QString("N"));
        QCOMPARE(cell(dialog, 1, 16), QString("34567"));
        // State not reported: "--".
        QCOMPARE(cell(dialog, 0, 2), QString("--"));
        QCOMPARE(cell(dialog, 3, 3), QString("--"));
        QCOMPARE(dialog.selectionMark(), -1);
        QCOMPARE(WaitCursor::Count(), 0);
        QVERIFY(dialog.findChild<QPushButton*>("refreshButton")->isEnabled());

        // Within 5 s of that start: refused, nothing changes.
        dialog.OnRefresh();
        QCOMPARE(dialog.devices().size(), std::size_t{4});
    }

    void headerClicksAndPagesOverRealDevices() {
        SetSearchWindowForTesting(300);
        QStringList urls;
        SetDevicePageOpenerForTesting([&urls](const QString& url) { urls << url; });
        CQuillonDlg dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.devices().size(), std::size_t{4});

        g_sortAscending = false;
        clickHeader(dialog, 4);
        QCOMPARE(columnTexts(dialog, 4),
                 (QStringList{"10.77.1.9", "10.77.1.10", "10.77.1.100", "10.77.2.5"}));
        clickHeader(dialog, 15);  // descending, the shared flag
        QCOMPARE(columnTexts(dialog, 15), (QStringList{"8080", "80", "80", "554"}));

        QWidget* viewport = dialog.deviceList()->viewport();
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, rowCentre(dialog, 0));
        QTest::keyClick(dialog.deviceList(), Qt::Key_Return);
        QCOMPARE(urls, (QStringList{"http://10.77.1.9:8080", "http://10.77.1.9"}));
        SetDevicePageOpenerForTesting({});
    }

    // Run alone, against 1,000 generated devices on segment A.
    void thousandDevicesAreAllListed() {
        const int expected = qEnvironmentVariableIntValue("QUILLON_LAB_DEVICES");
        if (expected == 0) {
            QSKIP("set QUILLON_LAB_DEVICES to the number of simulated devices");
        }
        SetSearchWindowForTesting(1500);
        CQuillonDlg dialog;
        const double cpuBefore = processCpuSeconds();
        dialog.show();
        const double cpu = processCpuSeconds() - cpuBefore;
        QCOMPARE(dialog.deviceList()->model()->rowCount(), expected);
        QCOMPARE(cell(dialog, 0, 1), QString("QD%1").arg(expected, 8, 10, QChar('0')));
        // Waits cost no CPU; this is the whole refresh's work, workers included.
        qInfo("refresh of %d devices: %.3f s CPU", expected, cpu);
    }

    void closingWhileWorkersRunNeitherCrashesNorHangs() {
        // Real 5 s window: the refresh waits 1 s per worker, so the last
        // workers are still collecting when the window goes.
        auto dialog = std::make_unique<CQuillonDlg>();
        dialog->show();
        dialog->close();
        dialog.reset();
        JoinOutstandingWorkerThreads();
    }
};

QTEST_MAIN(MainWindowLabTest)
#include "MainWindowLabTest.moc"

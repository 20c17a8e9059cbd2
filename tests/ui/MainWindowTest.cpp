// The main window driven offscreen over a fake search: nothing is sent.

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include "UiTestSupport.h"
#include "ui/main/DeviceListModel.h"
#include "ui/main/DevicePage.h"
#include "ui/main/DeviceSort.h"
#include "ui/main/WaitCursor.h"
#include "ui/main/WindowMessageEvent.h"

using namespace quillon;
using namespace quillon::test;

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    FakeNetwork m_network;
    std::time_t m_now = 100000;
    QStringList m_urls;

    std::unique_ptr<CQuillonDlg> openWindow() {
        auto dialog = std::make_unique<CQuillonDlg>();
        dialog->SetRefreshHooksForTesting(m_network.hooks());
        dialog->SetRefreshClockForTesting([this] { return m_now; });
        dialog->show();
        if (!QTest::qWaitForWindowExposed(dialog.get())) {
            qWarning("window not exposed");
        }
        return dialog;
    }

    void selectRow(CQuillonDlg& dialog, int row) {
        QTest::mouseClick(dialog.deviceList()->viewport(), Qt::LeftButton, {},
                          rowCentre(dialog, row));
    }

private slots:
    void init() {
        m_urls.clear();
        SetDevicePageOpenerForTesting([this](const QString& url) { m_urls << url; });
        m_network.setDevices({
            makeDevice("Cam 10", "00:00:00:00:00:03", "10.0.0.10", "ID-A", "80"),
            makeDevice("Cam 9", "00:00:00:00:00:01", "10.0.0.9", "ID-C", "8080"),
            makeDevice("Basic only", "00:00:00:00:00:02", "10.0.0.100", "", "554"),
            makeDevice("NVR", "00:00:00:00:00:04", "10.0.0.2", "ID-B", "080"),
        });
        m_now += 60;
    }

    void cleanup() { SetDevicePageOpenerForTesting({}); }

    void firstRefreshListsDevicesByIdDescending() {
        const auto dialog = openWindow();
        QCOMPARE(columnTexts(*dialog, 1), (QStringList{"ID-C", "ID-B", "ID-A", ""}));
        QCOMPARE(columnTexts(*dialog, 0), (QStringList{"Cam 9", "NVR", "Cam 10", "Basic only"}));
        QCOMPARE(cell(*dialog, 0, 13), QString("Y"));
        QCOMPARE(cell(*dialog, 0, 14), QString("N"));
        QCOMPARE(cell(*dialog, 0, 15), QString("8080"));
        QCOMPARE(dialog->selectionMark(), -1);
        QVERIFY(dialog->findChild<QPushButton*>("refreshButton")->isEnabled());
        QCOMPARE(WaitCursor::Count(), 0);
        QCOMPARE(dialog->deviceList()->model()->columnCount(), 18);
        QCOMPARE(dialog->deviceList()->model()->headerData(7, Qt::Horizontal).toString(),
                 QString("MAC"));
        QCOMPARE(dialog->deviceList()->horizontalHeader()->sectionSize(0), 140);
    }

    void refreshWithinFiveSecondsChangesNothing() {
        const auto dialog = openWindow();
        m_network.setDevices({makeDevice("New", "00:00:00:00:00:09", "10.0.0.50", "ID-N", "80")});
        m_now += 4;
        QTest::mouseClick(dialog->findChild<QPushButton*>("refreshButton"), Qt::LeftButton);
        QCOMPARE(dialog->devices().size(), std::size_t{4});
        m_now += 1;
        QTest::mouseClick(dialog->findChild<QPushButton*>("refreshButton"), Qt::LeftButton);
        QCOMPARE(columnTexts(*dialog, 0), (QStringList{"New"}));
        QCOMPARE(WaitCursor::Count(), 0);
    }

    void headerClicksShareOneDirection() {
        const auto dialog = openWindow();
        g_sortAscending = false;
        clickHeader(*dialog, 4);  // IP, ascending
        QVERIFY(g_sortAscending);
        QCOMPARE(columnTexts(*dialog, 4),
                 (QStringList{"10.0.0.2", "10.0.0.9", "10.0.0.10", "10.0.0.100"}));
        clickHeader(*dialog, 15);  // Web port, descending: the flag is shared
        QCOMPARE(columnTexts(*dialog, 15), (QStringList{"8080", "80", "554", "080"}));
        clickHeader(*dialog, 15);
        QCOMPARE(columnTexts(*dialog, 15), (QStringList{"080", "554", "80", "8080"}));
        QVERIFY(dialog->deviceList()->isEnabled());

        // Rows keep their item data in step with the entries they show.
        const auto* model = dialog->deviceList()->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            QCOMPARE(model->data(model->index(row, 0), DeviceListModel::ItemDataRole).toInt(),
                     dialog->devices()[static_cast<std::size_t>(row)].wifiSupport);
            QCOMPARE(cell(*dialog, row, 7),
                     QString::fromStdString(dialog->devices()[static_cast<std::size_t>(row)].mac));
        }
    }

    void sortKeepsTheSelectedIndex() {
        const auto dialog = openWindow();
        selectRow(*dialog, 1);
        QCOMPARE(dialog->selectionMark(), 1);
        g_sortAscending = true;
        clickHeader(*dialog, 0);  // descending by name
        QCOMPARE(dialog->selectionMark(), 1);
        QCOMPARE(dialog->deviceList()->selectionModel()->selectedRows().value(0).row(), 1);
        QTest::keyClick(dialog->deviceList(), Qt::Key_Return);
        QCOMPARE(m_urls, (QStringList{"http://" + cell(*dialog, 1, 4)}));
    }

    void doubleClickAddsThePortUnlessItIs80() {
        const auto dialog = openWindow();
        QWidget* viewport = dialog->deviceList()->viewport();
        for (const int row : {0, 2, 1}) {  // web ports 8080, 80, "080"
            QTest::mouseDClick(viewport, Qt::LeftButton, {}, rowCentre(*dialog, row));
            QTest::qWait(QApplication::doubleClickInterval() + 20);
        }
        QCOMPARE(m_urls,
                 (QStringList{"http://10.0.0.9:8080", "http://10.0.0.10", "http://10.0.0.2:080"}));
        // Below the last row: the row at the selection mark.
        m_urls.clear();
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, QPoint(20, viewport->height() - 5));
        QCOMPARE(m_urls, (QStringList{"http://10.0.0.2:080"}));
    }

    void nothingSelectedOpensNothing() {
        const auto dialog = openWindow();
        QWidget* viewport = dialog->deviceList()->viewport();
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, QPoint(20, viewport->height() - 5));
        QTest::keyClick(dialog->deviceList(), Qt::Key_Return);
        dialog->OnCommand(CQuillonDlg::ID_DEVICE_OPEN);
        QVERIFY(m_urls.isEmpty());
    }

    void openAndEnterNeverAddThePort() {
        const auto dialog = openWindow();
        selectRow(*dialog, 0);  // web port 8080
        QTimer::singleShot(0, this, [] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu != nullptr);
            const auto actions = menu->actions();
            QCOMPARE(actions.size(), 2);
            QCOMPARE(actions[0]->text(), QString("Open"));
            QCOMPARE(actions[1]->text(), QString("Networking"));
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(actions[0]).center());
        });
        emit dialog->deviceList()->customContextMenuRequested(rowCentre(*dialog, 0));
        QTest::keyClick(dialog->deviceList(), Qt::Key_Return);
        // Enter with the Refresh button focused opens the page, not a refresh.
        auto* refresh = dialog->findChild<QPushButton*>("refreshButton");
        refresh->setFocus();
        m_network.setDevices({});
        m_now += 10;
        QTest::keyClick(refresh, Qt::Key_Return);
        QCOMPARE(m_urls, (QStringList{"http://10.0.0.9", "http://10.0.0.9", "http://10.0.0.9"}));
        QCOMPARE(dialog->devices().size(), std::size_t{4});
    }

    void rightClickBelowTheLastRowShowsNoMenu() {
        const auto dialog = openWindow();
        selectRow(*dialog, 0);
        bool menuShown = false;
        QTimer::singleShot(0, this, [&menuShown] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                menuShown = true;
                popup->close();
            }
        });
        QWidget* viewport = dialog->deviceList()->viewport();
        emit dialog->deviceList()->customContextMenuRequested(QPoint(20, viewport->height() - 5));
        QTest::qWait(20);
        QVERIFY(!menuShown);
    }

    void escapeLeavesTheWindowOpen() {
        const auto dialog = openWindow();
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
        QTest::keyClick(dialog->deviceList(), Qt::Key_Escape);
        QTest::keyClick(dialog->findChild<QPushButton*>("helpButton"), Qt::Key_Escape);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->result(), 0);
    }

    void helpAndF1ShowTheAboutBox() {
        const auto dialog = openWindow();
        int shown = 0;
        const auto closeAbout = [&shown] {
            QWidget* about = QApplication::activeModalWidget();
            QVERIFY(about != nullptr);
            QCOMPARE(about->windowTitle(), QString("About Quillon"));
            ++shown;
            about->close();
        };
        QTimer::singleShot(0, this, closeAbout);
        QTest::mouseClick(dialog->findChild<QPushButton*>("helpButton"), Qt::LeftButton);
        QTimer::singleShot(0, this, closeAbout);
        QTest::keyClick(dialog->deviceList(), Qt::Key_F1);
        QCOMPARE(shown, 2);
        QVERIFY(dialog->isVisible());
    }

    void busyMessageCountsTheWaitCursor() {
        const auto dialog = openWindow();
        QCoreApplication::postEvent(dialog.get(), new WindowMessageEvent(WM_SET_BUSY, 1));
        QCoreApplication::processEvents();
        QVERIFY(dialog->busy());
        QCOMPARE(WaitCursor::Count(), 1);
        QVERIFY(QApplication::overrideCursor() != nullptr);
        // Clicks are held from the window, but a message box shown meanwhile
        // still takes its own.
        auto* refresh = dialog->findChild<QPushButton*>("refreshButton");
        QSignalSpy refreshClicks(refresh, &QPushButton::clicked);
        QTest::mouseClick(refresh, Qt::LeftButton);
        QCOMPARE(refreshClicks.count(), 0);
        QMessageBox box(QMessageBox::Warning, "Quillon", "during a job", QMessageBox::Ok,
                        dialog.get());
        box.show();
        QSignalSpy boxClicks(&box, &QMessageBox::buttonClicked);
        QTest::mouseClick(box.button(QMessageBox::Ok), Qt::LeftButton);
        QCOMPARE(boxClicks.count(), 1);
        QCoreApplication::postEvent(dialog.get(), new WindowMessageEvent(WM_SET_BUSY, 0));
        QCoreApplication::processEvents();
        QVERIFY(!dialog->busy());
        QCOMPARE(WaitCursor::Count(), 0);
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QTest::mouseClick(refresh, Qt::LeftButton);
        QCOMPARE(refreshClicks.count(), 1);  // released: clicks reach the window again
        // Idle again: the count never goes below zero.
        QCoreApplication::postEvent(dialog.get(), new WindowMessageEvent(WM_SET_BUSY, 0));
        QCoreApplication::postEvent(dialog.get(), new WindowMessageEvent(WM_SET_BUSY, 2));
        QCoreApplication::processEvents();
        QCOMPARE(WaitCursor::Count(), 0);
        // The other two messages are taken (their handlers come later).
        QCoreApplication::postEvent(dialog.get(), new WindowMessageEvent(WM_SET_NETWORK));
        QCoreApplication::postEvent(dialog.get(), new WindowMessageEvent(WM_SET_DHCP));
        QCoreApplication::processEvents();
    }

    void layoutFollowsEveryResize() {
        const auto dialog = openWindow();
        QCOMPARE(dialog->minimumSize(), QSize(800, 300));
        dialog->resize(1000, 500);
        QCOMPARE(dialog->findChild<QPushButton*>("refreshButton")->geometry(),
                 QRect(850, 5, 60, 30));
        QCOMPARE(dialog->findChild<QPushButton*>("helpButton")->geometry(), QRect(920, 5, 60, 30));
        QCOMPARE(dialog->deviceList()->geometry(), QRect(0, 40, 1000, 460));
        dialog->resize(100, 100);
        QCOMPARE(dialog->size(), QSize(800, 300));
    }

    void deviceTextsOfAnyByteShow() {
        DevInfo odd = makeDevice("", "\xFF\xFE", "", "\x80\x81", "");
        odd.name = std::string("\xE9t\xE9 cam\x01", 9);
        m_network.setDevices({odd, makeDevice("ok", "aa", "1.2.3.4", "", "80")});
        const auto dialog = openWindow();
        QCOMPARE(cell(*dialog, 0, 0), QString::fromLatin1("\xE9t\xE9 cam\x01", 9));
        QCOMPARE(cell(*dialog, 0, 1), QString::fromLatin1("\x80\x81"));
        for (int column = 0; column < 18; ++column) {
            clickHeader(*dialog, column);
        }
        dialog->grab();  // paints every cell
        QCOMPARE(dialog->devices().size(), std::size_t{2});
    }

    void noAdapterRefreshesToAnEmptyList() {
        auto dialog = std::make_unique<CQuillonDlg>();
        RefreshHooks hooks = m_network.hooks();
        hooks.listAdapters = [] { return std::vector<AdapterAddress>{}; };
        dialog->SetRefreshHooksForTesting(hooks);
        dialog->show();
        QCOMPARE(dialog->deviceList()->model()->rowCount(), 0);
        QVERIFY(dialog->findChild<QPushButton*>("refreshButton")->isEnabled());
        clickHeader(*dialog, 3);  // flips the flag, changes nothing visible
        QCOMPARE(dialog->deviceList()->model()->rowCount(), 0);
    }

    void closeDuringARefreshWaitsForItsEnd() {
        // A worker that outlasts its wait; the close arrives inside the wait.
        std::atomic<bool> release{false};
        RefreshHooks hooks = m_network.hooks();
        auto found = hooks.runWorker;
        hooks.runWorker = [&release, found](AdapterSlot slot, SearchKind kind) {
            found(slot, kind);
            while (!release.load()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        };
        auto dialog = std::make_unique<CQuillonDlg>();
        dialog->SetRefreshHooksForTesting(hooks);
        QTimer::singleShot(100, dialog.get(), [&dialog] { dialog->done(0); });
        dialog->show();  // the refresh runs here, two workers, ~2 s
        QTRY_VERIFY(!dialog->isVisible());
        QCOMPARE(dialog->devices().size(), std::size_t{4});
        dialog.reset();
        release = true;
        JoinOutstandingWorkerThreads();
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"

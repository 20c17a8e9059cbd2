// The join dialog offscreen: what it shows for a record in add and join
// mode, how its lists enable each other, and the record it writes (or
// leaves alone). Nothing is sent: the dialog only fills a record.

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstring>

#include "WiredTestSupport.h"
#include "net/WifiNetworkRecord.h"
#include "ui/config/CConfigNetWFSet.h"

using namespace quillon;
using namespace quillon::test;

namespace {

WifiNetworkRecord listed(const char* ssid, const char* key, std::uint8_t authMode,
                         std::uint8_t wepKeyIndex = 0, std::uint8_t keyFormat = 0) {
    WifiNetworkRecord r;
    std::memcpy(r.ssidField().data(), ssid, std::strlen(ssid));
    std::memcpy(r.keyField().data(), key, std::strlen(key));
    r.setAuthMode(authMode);
    r.setWepKeyIndex(wepKeyIndex);
    r.setKeyFormat(keyFormat);
    r.setSignal(99);
    r.bytes()[64] = 0x5A;  // not ours: must survive
    return r;
}

// Picks position from the drop-down's open list, as a user would: passing
// other entries on the way selects none of them.
void choose(QComboBox* list, int position) {
    list->showPopup();
    QAbstractItemView* view = list->view();
    view->setCurrentIndex(list->model()->index(position, 0));
    QTest::keyClick(view, Qt::Key_Return);
}

struct Controls {
    QLineEdit* name;
    QComboBox* auth;
    QComboBox* wep;
    QComboBox* format;
    QLineEdit* key;
    QPushButton* establish;
};

Controls controlsOf(CConfigNetWFSet& d) {
    return {child<QLineEdit>(&d, "nameEdit"),     child<QComboBox>(&d, "authModeList"),
            child<QComboBox>(&d, "wepIndexList"), child<QComboBox>(&d, "keyFormatList"),
            child<QLineEdit>(&d, "keyEdit"),      child<QPushButton>(&d, "establishButton")};
}

std::string text32(std::span<const std::uint8_t, 32> field) {
    return {reinterpret_cast<const char*>(field.data()), field.size()};
}

}  // namespace

class WifiJoinDialogTest : public QObject {
    Q_OBJECT

private slots:
    void addModeShowsEmptyEntriesAndEverythingButTheSlot() {
        WifiNetworkRecord record;
        CConfigNetWFSet dialog(record, 1);
        dialog.show();
        const Controls c = controlsOf(dialog);
        QCOMPARE(dialog.windowTitle(), QString("WIFI Wireless Network Settings"));
        QCOMPARE(c.establish->text(), QString("Establish  Connection"));
        QCOMPARE(c.auth->count(), 5);
        QCOMPARE(c.auth->itemText(4), QString("WPA PSK+WPA2 PSK Encrypted"));
        QCOMPARE(c.wep->itemText(3), QString("WEP key 4"));
        QCOMPARE(c.format->itemText(1), QString("Hexadecimal"));
        QVERIFY(c.name->isEnabled() && c.auth->isEnabled() && c.key->isEnabled());
        QVERIFY(!c.wep->isEnabled());
        QCOMPARE(c.wep->currentIndex(), -1);
        QCOMPARE(c.key->echoMode(), QLineEdit::Password);
        QVERIFY(child<QPushButton>(&dialog, "exitButton")->isDefault());
    }

    void addModeTrimsTheNameAndZeroFillsAfterIt() {
        WifiNetworkRecord record;
        CConfigNetWFSet dialog(record, 1);
        dialog.show();
        const Controls c = controlsOf(dialog);
        QTest::keyClicks(c.name, "  My Net ");
        choose(c.auth, 3);
        QTest::keyClicks(c.key, " secret  ");
        QTest::mouseClick(c.establish, Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(text32(record.ssidField()), std::string("My Net") + std::string(26, '\0'));
        QCOMPARE(text32(record.keyField()), std::string("secret") + std::string(26, '\0'));
        QCOMPARE(record.authMode(), AUTH_WPA2_PSK);
        QCOMPARE(record.wepKeyIndex(), std::uint8_t{0xFF});
        QCOMPARE(record.keyFormat(), std::uint8_t{0});
    }

    void choosingWepOffersSlotOneAndLeavingItKeepsTheSlot() {
        WifiNetworkRecord record;
        CConfigNetWFSet dialog(record, 1);
        dialog.show();
        const Controls c = controlsOf(dialog);
        choose(c.auth, 1);
        QVERIFY(c.wep->isEnabled());
        QCOMPARE(c.wep->currentText(), QString("WEP key 1"));
        choose(c.auth, 2);
        QVERIFY(!c.wep->isEnabled());
        QTest::keyClicks(c.name, "N");
        QTest::mouseClick(c.establish, Qt::LeftButton);
        QCOMPARE(record.authMode(), AUTH_WPA_PSK);
        QCOMPARE(record.wepKeyIndex(), std::uint8_t{0});
    }

    void nameAndKeyStopAtTheirFieldWidths() {
        WifiNetworkRecord record;
        CConfigNetWFSet dialog(record, 1);
        dialog.show();
        const Controls c = controlsOf(dialog);
        QTest::keyClicks(c.name, QString(40, QLatin1Char('n')));
        QTest::keyClicks(c.key, QString(20, QLatin1Char('k')));
        QCOMPARE(c.name->text().size(), 32);
        QCOMPARE(c.key->text().size(), 16);
        QTest::mouseClick(c.establish, Qt::LeftButton);
        QCOMPARE(text32(record.ssidField()), std::string(32, 'n'));
        QCOMPARE(text32(record.keyField()), std::string(16, 'k') + std::string(16, '\0'));
    }

    void blankNameIsRefusedAndTheRecordUntouched_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << QString();
        QTest::newRow("blanks") << QString("   ");
    }
    void blankNameIsRefusedAndTheRecordUntouched() {
        QFETCH(QString, name);
        const BoxCapture boxes;
        WifiNetworkRecord record = listed("keep", "me", 2);
        const WifiNetworkRecord before = record;
        CConfigNetWFSet dialog(record, 1);
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        const Controls c = controlsOf(dialog);
        QTest::keyClicks(c.name, name);
        QTest::keyClicks(c.key, "abc");
        QTest::mouseClick(c.establish, Qt::LeftButton);
        QCOMPARE(boxes.texts(), QStringList{"Incorrect wireless name!"});
        QVERIFY(dialog.isVisible());
        QVERIFY(record == before);
        QCOMPARE(QApplication::focusWidget(), c.name);
    }

    void joinModeFixesNameAndModeAndKeepsTheListedKeyWhenNoneIsTyped() {
        WifiNetworkRecord record = listed("Cafe", "old-key", AUTH_NONE, 7, 1);
        WifiNetworkRecord expected = record;
        expected.setWepKeyIndex(WEP_KEY_NONE);
        CConfigNetWFSet dialog(record, 0);
        dialog.show();
        const Controls c = controlsOf(dialog);
        QCOMPARE(c.name->text(), QString("Cafe"));
        QCOMPARE(c.auth->currentIndex(), 0);
        QCOMPARE(c.wep->currentIndex(), -1);  // slot 7 is no list position
        QCOMPARE(c.format->currentIndex(), 1);
        QVERIFY(!c.name->isEnabled() && !c.auth->isEnabled());
        QVERIFY(!c.key->isEnabled() && !c.wep->isEnabled() && !c.format->isEnabled());
        QTest::mouseClick(c.establish, Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY2(record == expected, "same name, mode 0, format and key as listed, no slot");
    }

    void joinModeOnWepKeepsTheSlotAndOffersTheFormat() {
        WifiNetworkRecord record = listed("Old", "abcdefghij", AUTH_WEP, 2, 0);
        CConfigNetWFSet dialog(record, 0);
        dialog.show();
        const Controls c = controlsOf(dialog);
        QCOMPARE(c.wep->currentIndex(), 2);
        QVERIFY(!c.wep->isEnabled());
        QVERIFY(c.format->isEnabled() && c.key->isEnabled());
        choose(c.format, 1);
        QTest::keyClicks(c.key, "xyz");
        QTest::mouseClick(c.establish, Qt::LeftButton);
        QCOMPARE(record.wepKeyIndex(), std::uint8_t{2});
        QCOMPARE(record.keyFormat(), std::uint8_t{1});
        QVERIFY2(text32(record.keyField()) == std::string("xyz") + std::string(29, '\0'),
                 "no tail of the listed key after the new one");
        QCOMPARE(record.bytes()[64], std::uint8_t{0x5A});
        QCOMPARE(record.signal(), std::uint8_t{99});
    }

    void joinModeShowsAnUnknownModeAsUnencrypted() {
        WifiNetworkRecord record = listed("Odd", "", 3);
        CConfigNetWFSet dialog(record, 0);
        dialog.show();
        QCOMPARE(controlsOf(dialog).auth->currentText(), QString("Unencrypted"));
        QTest::mouseClick(controlsOf(dialog).establish, Qt::LeftButton);
        QCOMPARE(record.authMode(), AUTH_NONE);
    }

    void enterAndEscapeLeaveLikeExit_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("Escape") << int(Qt::Key_Escape);
    }
    void enterAndEscapeLeaveLikeExit() {
        QFETCH(int, key);
        WifiNetworkRecord record;
        CConfigNetWFSet dialog(record, 1);
        dialog.show();
        const Controls c = controlsOf(dialog);
        QTest::keyClicks(c.name, "Home");
        QTest::keyClicks(c.key, "pw");
        QTest::keyClick(c.key, static_cast<Qt::Key>(key));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(record == WifiNetworkRecord{});
    }
};

QTEST_MAIN(WifiJoinDialogTest)
#include "WifiJoinDialogTest.moc"

#pragma once

// The join dialog: what a device needs to join one wireless network, its
// name, security mode, WEP key slot, key format and key. In add mode the user
// names any network; in join mode the network comes from the device's list
// and its name and mode stay as listed. "Establish  Connection" writes the
// entries into the record it was given and closes with Accepted; every other
// way out (Exit, Enter, Esc, the close box) leaves the record untouched. It
// sends nothing itself.

#include <QDialog>

#include "net/WifiNetworkRecord.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace quillon {

class CConfigNetWFSet : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* CAPTION = "WIFI Wireless Network Settings";
    static constexpr const char* ESTABLISH_TEXT = "Establish  Connection";

    // record must outlive the dialog; addMode 1 = add, 0 = join.
    CConfigNetWFSet(WifiNetworkRecord& record, int addMode, QWidget* parent = nullptr);

    void OnEstablishConnection();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnInitDialog();
    void OnShown();
    void OnAuthModeChanged(int position);

    WifiNetworkRecord& m_record;
    int m_addMode;
    bool m_shown = false;

    QLineEdit* m_name = nullptr;
    QComboBox* m_authMode = nullptr;
    QComboBox* m_wepIndex = nullptr;
    QComboBox* m_keyFormat = nullptr;
    QLineEdit* m_key = nullptr;
    QPushButton* m_establish = nullptr;
    QPushButton* m_exit = nullptr;
};

}  // namespace quillon

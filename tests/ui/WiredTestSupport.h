#pragma once

// What the wired configuration tests share: opening the Networking dialog
// through the real context menu, and acting on it while it runs modally.

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <mutex>

#include "UiTestSupport.h"
#include "ui/config/CDlgDevCfg.h"
#include "ui/config/IpAddressEdit.h"
#include "ui/main/MessageBox.h"

namespace quillon::test {

// Answers every box through the seam and keeps its text; the confirmation
// gets `confirm`, every other box OK. Boxes may be asked for from any
// thread's request, so the list is locked.
class BoxCapture {
public:
    explicit BoxCapture(QMessageBox::StandardButton confirm = QMessageBox::Yes) {
        SetMessageBoxHandlerForTesting([this, confirm](const MessageBoxRequest& request) {
            std::lock_guard lock(m_mutex);
            m_texts << request.text;
            m_titles << request.title;
            return request.buttons.testFlag(QMessageBox::Yes) ? confirm : QMessageBox::Ok;
        });
    }
    ~BoxCapture() { SetMessageBoxHandlerForTesting({}); }
    BoxCapture(const BoxCapture&) = delete;
    BoxCapture& operator=(const BoxCapture&) = delete;

    QStringList texts() const {
        std::lock_guard lock(m_mutex);
        return m_texts;
    }
    QStringList titles() const {
        std::lock_guard lock(m_mutex);
        return m_titles;
    }

private:
    mutable std::mutex m_mutex;
    QStringList m_texts;
    QStringList m_titles;
};

template <typename T>
T* child(QWidget* parent, const char* name) {
    T* found = parent->findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr) {
        qFatal("no child %s", name);
    }
    return found;
}

inline void typeInto(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

// Right-clicks row, chooses "Networking" and runs act on the configuration
// dialog once it is on screen. Returns when the dialog has closed: act
// saves (which closes it) or closes it itself.
inline void throughNetworking(CQuillonDlg& window, int row,
                              const std::function<void(CDlgDevCfg&)>& act) {
    QTest::mouseClick(window.deviceList()->viewport(), Qt::LeftButton, {}, rowCentre(window, row));
    QTimer::singleShot(0, &window, [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) {
            qWarning("no context menu");
            return;
        }
        QTest::mouseClick(menu, Qt::LeftButton, {},
                          menu->actionGeometry(menu->actions().at(1)).center());
    });
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, &window, [&poll, &act] {
        auto* dialog = qobject_cast<CDlgDevCfg*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) {
            return;
        }
        poll.stop();
        act(*dialog);
    });
    poll.start();
    emit window.deviceList()->customContextMenuRequested(rowCentre(window, row));
}

inline CDevInfoModify* wiredPage(CDlgDevCfg& dialog) {
    return dialog.wiredPage();
}

}  // namespace quillon::test

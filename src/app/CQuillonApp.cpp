#include "app/CQuillonApp.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "ui/main/CQuillonDlg.h"

namespace quillon {

namespace {

// QUILLON_SCREENSHOT=FILE (for demos and tests): once the window is shown
// with its first refresh listed, save a PNG of it to FILE and close it.
class ScreenshotOnShow : public QObject {
public:
    ScreenshotOnShow(CQuillonDlg& dialog, QString path)
        : QObject(&dialog), m_dialog(dialog), m_path(std::move(path)) {
        dialog.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &m_dialog && event->type() == QEvent::Show && !m_scheduled) {
            m_scheduled = true;
            // Give the window a moment to lay out and paint before the grab.
            QTimer::singleShot(500, this, [this] {
                if (!m_dialog.grab().save(m_path, "PNG")) {
                    std::fprintf(stderr, "quillon: could not save %s\n", qPrintable(m_path));
                }
                m_dialog.done(0);
            });
        }
        return false;
    }

private:
    CQuillonDlg& m_dialog;
    QString m_path;
    bool m_scheduled = false;
};

}  // namespace

bool CQuillonApp::InitInstance() {
    m_hMutex = std::make_unique<InstanceLock>(INSTANCE_NAME);
    QCoreApplication::setOrganizationName(QString::fromLatin1(PROFILE_KEY));

    CQuillonDlg dialog;
    const QString screenshot = qEnvironmentVariable("QUILLON_SCREENSHOT");
    if (!screenshot.isEmpty()) {
        new ScreenshotOnShow(dialog, screenshot);
    }
    dialog.exec();
    return false;
}

int CQuillonApp::ExitInstance() {
    if (m_hMutex) {
        m_hMutex->Release();
        m_hMutex.reset();
    }
    return 0;
}

}  // namespace quillon

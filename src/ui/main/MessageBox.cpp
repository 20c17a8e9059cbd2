#include "ui/main/MessageBox.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <mutex>
#include <utility>

namespace quillon {

namespace {
// Workers may ask for boxes too (through the window's thread), so the handler
// is read under a lock.
std::mutex g_handlerMutex;
std::function<QMessageBox::StandardButton(const MessageBoxRequest&)> g_handler;
}  // namespace

QString MessageBoxTitle() {
    const QString path = QCoreApplication::applicationFilePath();
    return path.isEmpty() ? QStringLiteral("quillon") : QFileInfo(path).completeBaseName();
}

QMessageBox::StandardButton ShowMessageBox(QWidget* parent, const QString& text,
                                           QMessageBox::Icon icon,
                                           QMessageBox::StandardButtons buttons,
                                           const QString& title) {
    const MessageBoxRequest request{title, text, icon, buttons};
    std::function<QMessageBox::StandardButton(const MessageBoxRequest&)> handler;
    {
        std::lock_guard lock(g_handlerMutex);
        handler = g_handler;
    }
    if (handler) {
        return handler(request);
    }
    QMessageBox box(icon, request.title, text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QMessageBox* OpenMessageBox(const QString& text, QMessageBox::Icon icon,
                            QMessageBox::StandardButtons buttons,
                            std::function<void(QMessageBox::StandardButton)> onClosed) {
    const MessageBoxRequest request{MessageBoxTitle(), text, icon, buttons};
    std::function<QMessageBox::StandardButton(const MessageBoxRequest&)> handler;
    {
        std::lock_guard lock(g_handlerMutex);
        handler = g_handler;
    }
    if (handler) {
        const QMessageBox::StandardButton answer = handler(request);
        if (onClosed) {
            onClosed(answer);
        }
        return nullptr;
    }
    auto* box = new QMessageBox(icon, request.title, text, buttons);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // Modal to no window of its own: newer than any dialog running, so none
    // blocks it, and it blocks nothing, so several can be answered in any order.
    box->setWindowModality(Qt::WindowModal);
    QObject::connect(box, &QMessageBox::finished, box, [box, onClosed = std::move(onClosed)](int) {
        if (onClosed) {
            QAbstractButton* clicked = box->clickedButton();
            onClosed(clicked != nullptr ? box->standardButton(clicked) : QMessageBox::Cancel);
        }
    });
    box->show();
    return box;
}

void SetMessageBoxHandlerForTesting(
    std::function<QMessageBox::StandardButton(const MessageBoxRequest&)> handler) {
    std::lock_guard lock(g_handlerMutex);
    g_handler = std::move(handler);
}

}  // namespace quillon

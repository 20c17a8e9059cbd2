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
                                           QMessageBox::StandardButtons buttons) {
    const MessageBoxRequest request{MessageBoxTitle(), text, icon, buttons};
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

void SetMessageBoxHandlerForTesting(
    std::function<QMessageBox::StandardButton(const MessageBoxRequest&)> handler) {
    std::lock_guard lock(g_handlerMutex);
    g_handler = std::move(handler);
}

}  // namespace quillon

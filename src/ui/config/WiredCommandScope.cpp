#include "ui/config/WiredCommandScope.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <utility>
#include <vector>

namespace quillon {

namespace {

// Window thread only.
int g_running = 0;

struct PendingAction {
    QPointer<QObject> context;
    std::function<void()> action;
};
std::vector<PendingAction>& pendingActions() {
    static std::vector<PendingAction> actions;
    return actions;
}

bool isUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
            return true;
        default:
            return false;
    }
}

}  // namespace

WiredCommandScope::WiredCommandScope() {
    ++g_running;
    qApp->installEventFilter(this);
}

WiredCommandScope::~WiredCommandScope() {
    qApp->removeEventFilter(this);
    if (--g_running > 0) {
        return;
    }
    // Run by a queued call: the handler that held this scope returns first.
    std::vector<PendingAction> actions;
    actions.swap(pendingActions());
    for (auto& pending : actions) {
        if (pending.context) {
            QMetaObject::invokeMethod(pending.context, std::move(pending.action),
                                      Qt::QueuedConnection);
        }
    }
}

bool WiredCommandScope::running() {
    return g_running > 0;
}

void WiredCommandScope::whenCommandsEnd(QObject* context, std::function<void()> action) {
    if (!running()) {
        action();
        return;
    }
    pendingActions().push_back({context, std::move(action)});
}

bool WiredCommandScope::eventFilter(QObject* watched, QEvent* event) {
    if (!isUserInput(event->type())) {
        return false;
    }
    const auto* widget = qobject_cast<const QWidget*>(watched);
    if (widget == nullptr) {
        return false;  // the window-system side hands it on to a widget
    }
    // Every message box takes input: the outcome boxes, and any box another
    // part opens meanwhile (a WiFi job's failure): its loop runs above the
    // command's wait, which cannot end before the box is answered.
    return qobject_cast<const QMessageBox*>(widget->window()) == nullptr;
}

}  // namespace quillon

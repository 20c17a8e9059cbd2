#include "ui/main/MouseHold.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QWidget>

namespace quillon {

namespace {

bool isMouseInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
            return true;
        default:
            return false;
    }
}

}  // namespace

MouseHold::~MouseHold() {
    release();
}

void MouseHold::hold() {
    if (!m_held) {
        qApp->installEventFilter(this);
        m_held = true;
    }
}

void MouseHold::release() {
    if (m_held) {
        qApp->removeEventFilter(this);
        m_held = false;
    }
}

bool MouseHold::eventFilter(QObject* watched, QEvent* event) {
    if (!isMouseInput(event->type())) {
        return false;
    }
    const auto* widget = qobject_cast<const QWidget*>(watched);
    if (widget == nullptr) {
        return false;  // the window system's own objects pass it on to a widget
    }
    return qobject_cast<const QMessageBox*>(widget->window()) == nullptr;
}

}  // namespace quillon

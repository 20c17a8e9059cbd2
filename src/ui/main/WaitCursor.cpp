#include "ui/main/WaitCursor.h"

#include <QApplication>
#include <QCursor>

namespace quillon {

namespace {
int g_waitCursorCount = 0;  // the window's thread only
}

void WaitCursor::Begin() {
    if (g_waitCursorCount++ == 0) {
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    }
}

void WaitCursor::End() {
    if (g_waitCursorCount == 0) {
        return;
    }
    if (--g_waitCursorCount == 0) {
        QApplication::restoreOverrideCursor();
    }
}

int WaitCursor::Count() {
    return g_waitCursorCount;
}

}  // namespace quillon

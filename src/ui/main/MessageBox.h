#pragma once

// Every message the program shows goes through here: a message box with a
// fixed text, titled with the program's name (its executable's base name)
// unless a box has a title of its own.

#include <QMessageBox>
#include <QString>
#include <functional>

namespace quillon {

struct MessageBoxRequest {
    QString title;
    QString text;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
};

// The title every box carries unless told otherwise.
QString MessageBoxTitle();

// Shows the box modally and returns the button that closed it.
QMessageBox::StandardButton ShowMessageBox(QWidget* parent, const QString& text,
                                           QMessageBox::Icon icon = QMessageBox::Warning,
                                           QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                           const QString& title = MessageBoxTitle());

// Shows the box without waiting for it: a top-level box of its own that no
// other window's modality blocks and that blocks none. onClosed gets the
// button that closed it (Cancel when the box went away unanswered). Returns
// the box, or null when the test handler answered at once.
QMessageBox* OpenMessageBox(const QString& text, QMessageBox::Icon icon,
                            QMessageBox::StandardButtons buttons,
                            std::function<void(QMessageBox::StandardButton)> onClosed);

// Answers every later box with handler instead of showing it; an empty
// handler shows boxes again (for testing).
void SetMessageBoxHandlerForTesting(
    std::function<QMessageBox::StandardButton(const MessageBoxRequest&)> handler);

}  // namespace quillon

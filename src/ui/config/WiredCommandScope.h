#pragma once

// Held by the main window while a wired command's handler runs. Its waits
// keep the event loop turning so the outcome boxes its threads ask for can
// be answered, but no window other than a message box takes user input
// meanwhile: no second Save, no click in the list. A configuration dialog
// asked to close while a handler runs closes once the last scope has ended
// (whenCommandsEnd).

#include <QObject>
#include <functional>

namespace quillon {

class WiredCommandScope : public QObject {
    Q_OBJECT
public:
    WiredCommandScope();
    ~WiredCommandScope() override;
    WiredCommandScope(const WiredCommandScope&) = delete;
    WiredCommandScope& operator=(const WiredCommandScope&) = delete;

    static bool running();

    // Runs action at once when no command runs, else when the last one ends,
    // unless context is gone by then.
    static void whenCommandsEnd(QObject* context, std::function<void()> action);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace quillon

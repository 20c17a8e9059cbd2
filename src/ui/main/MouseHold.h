#pragma once

// The main window's hold on the mouse while a wireless job talks to a device:
// no click reaches the list, the configuration dialog or its pages. A plain
// mouse grab would do that too, but it would also take the clicks of the
// message boxes the job shows meanwhile, leaving them answerable only from
// the keyboard; message boxes therefore keep their mouse.

#include <QObject>

namespace quillon {

class MouseHold : public QObject {
public:
    MouseHold() = default;
    ~MouseHold() override;
    MouseHold(const MouseHold&) = delete;
    MouseHold& operator=(const MouseHold&) = delete;

    void hold();
    void release();
    bool held() const { return m_held; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool m_held = false;
};

}  // namespace quillon

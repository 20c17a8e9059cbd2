#pragma once

// The messages other windows and threads post to the main window, with their
// original numbers so both ends agree on them.

#include <QEvent>
#include <QtGlobal>

namespace quillon {

inline constexpr QEvent::Type WM_SET_NETWORK = static_cast<QEvent::Type>(1224);
inline constexpr QEvent::Type WM_SET_BUSY = static_cast<QEvent::Type>(1225);
inline constexpr QEvent::Type WM_SET_DHCP = static_cast<QEvent::Type>(1226);

// A posted window message: its type and its two parameters.
class WindowMessageEvent : public QEvent {
public:
    WindowMessageEvent(QEvent::Type type, qintptr wParam = 0, qintptr lParam = 0)
        : QEvent(type), m_wParam(wParam), m_lParam(lParam) {}

    qintptr wParam() const { return m_wParam; }
    qintptr lParam() const { return m_lParam; }

private:
    qintptr m_wParam;
    qintptr m_lParam;
};

}  // namespace quillon

#pragma once

// A label that behaves as a web link: link colours, underlined while the
// pointer is over it, its target as a tooltip, and a click that opens the
// target in the browser and reports a failure in a message box.

#include <QBasicTimer>
#include <QColor>
#include <QFont>
#include <QLabel>

namespace quillon {

class CHyperLink : public QLabel {
    Q_OBJECT
public:
    static constexpr int HOVER_TIMER_MS = 100;

    explicit CHyperLink(QWidget* parent = nullptr);
    CHyperLink(const QString& text, QWidget* parent);

    // Turns the label into the link, once its text and place are set: a
    // link without a target takes its text as the target, and one without
    // text shows its target. Until then the label is a plain one.
    void Attach();
    bool isAttached() const { return m_attached; }

    void SetLinkTarget(const QString& target);
    const QString& linkTarget() const { return m_target; }

    // Resizes the label to its text, keeping the edge (or centre) its
    // alignment names.
    void FitToText();

    // Opens target; above 32 is success, otherwise one of the codes that
    // ShowOpenError knows.
    int OpenLinkTarget(const QString& target);
    void ShowOpenError(int code);

    // The colour the text is painted in now.
    QColor textColor() const;
    bool isOver() const { return m_isOver; }
    bool isVisited() const { return m_isVisited; }
    bool hoverTimerActive() const { return m_hoverTimer.isActive(); }

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void OnClicked();

    QColor m_linkColor{0, 0, 238};
    QColor m_visitedColor{85, 26, 139};
    QColor m_hoverColor{255, 0, 0};
    bool m_isOver = false;
    bool m_isVisited = false;
    QString m_target;
    QFont m_underlineFont;
    QFont m_plainFont;
    QBasicTimer m_hoverTimer;
    bool m_attached = false;
    bool m_pressed = false;
};

}  // namespace quillon

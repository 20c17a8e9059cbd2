#include "app/CHyperLink.h"

#include <QApplication>
#include <QCursor>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QTimerEvent>

#include "app/LinkOpener.h"
#include "ui/main/MessageBox.h"

namespace quillon {

namespace {

QString openErrorText(int code) {
    switch (code) {
        case 0:
            return QStringLiteral("The operating system is out\nof memory or resources.");
        case 2:
            return QStringLiteral("The specified file was not found.");
        case 3:
            return QStringLiteral("The specified path was not found.");
        case 5:
            return QStringLiteral("The operating system denied\naccess to the specified file.");
        case 8:
            return QStringLiteral("There was not enough memory to complete the operation.");
        case 11:
            return QStringLiteral(
                "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).");
        case 26:
            return QStringLiteral("A sharing violation occurred. ");
        case 27:
            return QStringLiteral("The filename association is\nincomplete or invalid.");
        case 28:
            return QStringLiteral(
                "The DDE transaction could not\nbe completed because the request timed out.");
        case 29:
            return QStringLiteral("The DDE transaction failed.");
        case 30:
            return QStringLiteral(
                "The DDE transaction could not\nbe completed because other DDE "
                "transactions\nwere being processed.");
        case 31:
            return QStringLiteral(
                "There is no application associated\nwith the given filename extension.");
        case 32:
            return QStringLiteral("The specified dynamic-link library was not found.");
        default:
            return QStringLiteral("Unknown Error (%1) occurred.").arg(code);
    }
}

}  // namespace

CHyperLink::CHyperLink(QWidget* parent) : CHyperLink(QString(), parent) {}

CHyperLink::CHyperLink(const QString& text, QWidget* parent) : QLabel(text, parent) {
    // A link shows its text as it is, never as markup, and sits left and top
    // like any plain static text until told otherwise.
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void CHyperLink::Attach() {
    if (m_attached) {
        return;
    }
    m_attached = true;
    // Hover needs every move, not only those with a button held.
    setMouseTracking(true);
    if (m_target.isEmpty()) {
        m_target = text();
    }
    if (text().isEmpty()) {
        setText(m_target);
    }
    m_plainFont = font();
    m_underlineFont = m_plainFont;
    m_underlineFont.setUnderline(true);
    FitToText();
    setCursor(Qt::PointingHandCursor);
    setToolTip(m_target);
}

void CHyperLink::SetLinkTarget(const QString& target) {
    m_target = target;
    if (m_attached) {
        FitToText();
        setToolTip(m_target);
    }
}

void CHyperLink::FitToText() {
    if (!m_attached) {
        return;
    }
    QRect window = geometry();
    const QSize text = QFontMetrics(m_underlineFont).size(Qt::TextSingleLine, this->text());
    const int h = text.height() + (window.height() - contentsRect().height());
    const int w = text.width() + (window.width() - contentsRect().width());
    const Qt::Alignment align = alignment();

    if (align & Qt::AlignVCenter) {
        // Both edges move by half the difference, truncated towards zero, so
        // the vertical centre stays where it was.
        const int shift = (window.height() - h) / 2;
        window.setTop(window.top() + shift);
        window.setBottom(window.bottom() - shift);
    } else {
        window.setHeight(h);
    }
    if (align & Qt::AlignHCenter) {
        const int shift = (window.width() - w) / 2;
        window.setLeft(window.left() + shift);
        window.setRight(window.right() - shift);
    } else if (align & Qt::AlignRight) {
        window.setLeft(window.left() + window.width() - w);
    } else {
        window.setWidth(w);
    }
    setGeometry(window);
}

int CHyperLink::OpenLinkTarget(const QString& target) {
    return OpenLink(target);
}

void CHyperLink::ShowOpenError(int code) {
    ShowMessageBox(this, QStringLiteral("Unable to open hyperlink:\n\n") + openErrorText(code),
                   QMessageBox::Warning, QMessageBox::Ok);
}

QColor CHyperLink::textColor() const {
    if (m_isOver) {
        return m_hoverColor;
    }
    return m_isVisited ? m_visitedColor : m_linkColor;
}

void CHyperLink::mouseMoveEvent(QMouseEvent* event) {
    if (m_attached && !m_isOver) {
        m_isOver = true;
        setFont(m_underlineFont);
        update();
        m_hoverTimer.start(HOVER_TIMER_MS, this);
    }
    QLabel::mouseMoveEvent(event);
}

void CHyperLink::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_hoverTimer.timerId()) {
        QLabel::timerEvent(event);
        return;
    }
    // Polled rather than left to leave events: the pointer may quit the
    // window in one jump, and then no leave reaches the label.
    if (!rect().contains(mapFromGlobal(QCursor::pos()))) {
        m_isOver = false;
        m_hoverTimer.stop();
        setFont(m_plainFont);
        update();
    }
}

void CHyperLink::mousePressEvent(QMouseEvent* event) {
    m_pressed = m_attached && event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event) {
    const bool clicked = m_pressed && event->button() == Qt::LeftButton &&
                         rect().contains(event->position().toPoint());
    m_pressed = false;
    QLabel::mouseReleaseEvent(event);
    if (clicked) {
        OnClicked();
    }
}

void CHyperLink::OnClicked() {
    // The underline and the timer stay until the pointer leaves or moves.
    m_isOver = false;
    const int result = OpenLinkTarget(m_target);
    m_isVisited = result > 32;
    // Repainted either way, so a failure after a success shows the link
    // colour again at once.
    update();
    if (!m_isVisited) {
        QApplication::beep();
        ShowOpenError(result);
    }
}

void CHyperLink::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    // The dialog's face colour behind the text, so the link never shows
    // what was painted under it before.
    painter.fillRect(rect(), palette().color(QPalette::Window));
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, textColor());
    style()->drawItemText(&painter, contentsRect(), static_cast<int>(alignment()), colours,
                          isEnabled(), text(), QPalette::WindowText);
}

}  // namespace quillon

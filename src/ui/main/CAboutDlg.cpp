#include "ui/main/CAboutDlg.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <algorithm>
#include <array>

#include "app/CHyperLink.h"
#include "ui/main/DialogUnits.h"

namespace quillon {

namespace {

// The help text, line by line, exactly as shown; "%s" takes the version.
constexpr std::array<const char*, 18> HELP_LINES{{
    "",
    "  Quillon %s",
    "",
    "  Quillon can find NVR and IPCamera in Local Area Network. It is also used to set the "
    "networking of NVR and IPCamera.",
    "",
    "  Quick guide:",
    "",
    "  1. Click Refresh button to search NVR and IPCamera in your Local Area Network.",
    "  2. Select the NVR or IPC then Right-Click(open) or Press 'Enter' or Double-Click  to open "
    "the login page.",
    "  3. Select the NVR or IPC then Right-Click(Networking) to open the Config dialog.",
    "  4. Set the basic networking parameters in Networking tab page.",
    "  5. Set the WIFI parameters in the WIFI tab page.",
    "",
    "  Company Website:",
    "",
    "",
    "",
    "  Copyright (C) The Quillon developers. Quillon is free to use and share.",
}};
// The links go on the blank lines after this one.
constexpr std::size_t LINKS_AFTER_LINE = 13;

// The layout, in dialog units of the dialog's font.
constexpr QRect DIALOG_DLU{0, 0, 384, 212};
constexpr QRect TEXT_DLU{8, 0, 370, 212};
constexpr QRect FIRST_LINK_DLU{108, 168, 103, 9};
constexpr QRect SECOND_LINK_DLU{14, 168, 79, 9};

// The text font was asked for by an 18-pixel character cell, which in
// Times New Roman is a 16-pixel em. Fixed in ems here, since the serif face
// that stands in for it may have a much taller cell.
constexpr int TEXT_FONT_EM_PIXELS = 16;

QFont makeTextFont() {
    QFont font;
    // Where Times New Roman is missing, its metric twins keep the lines
    // breaking where they did; the serif hint alone picks a far wider face.
    font.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"),
                      QStringLiteral("Nimbus Roman"), QStringLiteral("Tinos")});
    font.setStyleHint(QFont::Serif);
    font.setWeight(QFont::Light);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    font.setPixelSize(TEXT_FONT_EM_PIXELS);
    return font;
}

QString joinLines(std::size_t count) {
    QStringList lines;
    for (std::size_t i = 0; i < count; ++i) {
        lines << QString::fromLatin1(HELP_LINES[i]);
    }
    return lines.join(QStringLiteral("\r\n"));
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CAboutDlg"));
    setWindowTitle(QStringLiteral("About Quillon"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setModal(true);
    setSizeGripEnabled(false);

    const DialogUnits units(font());
    setFixedSize(units.rect(DIALOG_DLU).size());

    m_text = new QLabel(QStringLiteral("Static"), this);
    m_text->setObjectName(QStringLiteral("aboutText"));
    m_text->setTextFormat(Qt::PlainText);
    m_text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_text->setWordWrap(true);
    m_text->setGeometry(units.rect(TEXT_DLU));

    // Created after the text, so they lie above it.
    m_firstLink = new CHyperLink(QString::fromLatin1(FIRST_LINK), this);
    m_firstLink->setObjectName(QStringLiteral("firstLink"));
    m_firstLink->setGeometry(units.rect(FIRST_LINK_DLU));
    m_secondLink = new CHyperLink(QString::fromLatin1(SECOND_LINK), this);
    m_secondLink->setObjectName(QStringLiteral("secondLink"));
    m_secondLink->setGeometry(units.rect(SECOND_LINK_DLU));

    OnInitDialog();
}

CAboutDlg::~CAboutDlg() = default;

QString CAboutDlg::HelpText() {
    QString text = joinLines(HELP_LINES.size());
    text.replace(text.indexOf(QStringLiteral("%s")), 2, QString::fromLatin1(QUILLON_VERSION));
    return text;
}

void CAboutDlg::DoDataExchange() {
    m_firstLink->Attach();
    m_secondLink->Attach();
}

void CAboutDlg::OnInitDialog() {
    DoDataExchange();
    m_textFont = makeTextFont();
    m_text->setFont(m_textFont);
    m_text->setText(HelpText());
    m_firstLink->SetLinkTarget(QString::fromLatin1(FIRST_LINK));
    growToFitText();
    placeLinksOnFreeLine();
}

void CAboutDlg::growToFitText() {
    // A stand-in serif face may set the lines further apart than the one the
    // layout was made for; the box grows rather than cut the last lines off.
    const QRect area = m_text->contentsRect();
    const int flags = static_cast<int>(m_text->alignment()) | Qt::TextWordWrap;
    const int needed = QFontMetrics(m_textFont)
                           .boundingRect(QRect(0, 0, area.width(), 1 << 20), flags, m_text->text())
                           .height() +
                       (m_text->height() - area.height());
    if (needed <= m_text->height()) {
        return;
    }
    const int grow = needed - m_text->height();
    m_text->resize(m_text->width(), needed);
    setFixedSize(width(), height() + grow);
}

void CAboutDlg::placeLinksOnFreeLine() {
    // Wherever the text font and the width make the text wrap, the links
    // keep to the first blank line after "Company Website:".
    const QRect area = m_text->contentsRect();
    const int flags = static_cast<int>(m_text->alignment()) | Qt::TextWordWrap;
    const QRect above = QFontMetrics(m_textFont)
                            .boundingRect(QRect(0, 0, area.width(), 1 << 20), flags,
                                          joinLines(LINKS_AFTER_LINE + 1));
    const int lineHeight = QFontMetrics(m_textFont).height();
    for (CHyperLink* link : {m_firstLink, m_secondLink}) {
        const int top = m_text->y() + area.top() + above.height() +
                        std::max(0, (lineHeight - link->height()) / 2);
        link->move(link->x(), top);
    }
}

void CAboutDlg::keyPressEvent(QKeyEvent* event) {
    // Without a button there is no default one, yet Enter ends the box as
    // it does any dialog.
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            accept();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

}  // namespace quillon

#pragma once

// The About box, the program's only help: the version and a short quick
// guide, with the project's two web-site links on the blank lines the text
// leaves for them. No buttons: Esc, Enter and the close box end it.

#include <QDialog>
#include <QFont>

class QLabel;

namespace quillon {

class CHyperLink;

inline constexpr const char* QUILLON_VERSION = "1.0.13";

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    // The first link's caption and target, and the second link's caption,
    // which it takes as its target.
    static constexpr const char* FIRST_LINK = "https://www.example.com/quillon";
    static constexpr const char* SECOND_LINK = "https://example.org";

    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;

    // The help text with the version in place, lines joined by CR LF.
    static QString HelpText();

    QLabel* textLabel() const { return m_text; }
    CHyperLink* firstLink() const { return m_firstLink; }
    CHyperLink* secondLink() const { return m_secondLink; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void DoDataExchange();
    void OnInitDialog();
    void growToFitText();
    void placeLinksOnFreeLine();

    CHyperLink* m_firstLink = nullptr;
    CHyperLink* m_secondLink = nullptr;
    QFont m_textFont;
    QLabel* m_text = nullptr;
};

}  // namespace quillon

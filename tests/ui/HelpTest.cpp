// The About box and its hyperlinks, offscreen. Every way out of the process
// goes through a seam: no browser opens and no program starts.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "UiTestSupport.h"
#include "app/CHyperLink.h"
#include "app/LinkOpener.h"
#include "ui/main/CAboutDlg.h"
#include "ui/main/MessageBox.h"

using namespace quillon;

namespace {

const QColor LINK_BLUE(0, 0, 238);
const QColor VISITED_PURPLE(85, 26, 139);
const QColor HOVER_RED(255, 0, 0);
const QString ERROR_HEAD = QStringLiteral("Unable to open hyperlink:\n\n");

bool imageHasColour(const QImage& image, const QColor& colour) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y).rgb() == colour.rgb()) {
                return true;
            }
        }
    }
    return false;
}

// Answers with Esc whatever modal window comes up next.
void escapeNextModal() {
    QTimer::singleShot(0, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            QTest::keyClick(modal, Qt::Key_Escape);
        }
    });
}

}  // namespace

class HelpTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_xdg;
    QStringList m_opened;
    bool m_desktopOpens = true;
    QString m_handlerId;
    QList<QStringList> m_started;
    bool m_startSucceeds = true;
    QList<MessageBoxRequest> m_boxes;

    QString applications(const QString& root) const {
        return m_xdg.filePath(root + "/applications");
    }

    void writeFile(const QString& path, const QByteArray& contents,
                   QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner) {
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile file(path);
        QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate),
                 qPrintable(file.errorString()));
        file.write(contents);
        file.close();
        QVERIFY(file.setPermissions(permissions));
    }

    // A program the fallback may name; never run, since starting is a seam.
    QString fakeProgram(const QString& name, bool executable = true) {
        const QString path = m_xdg.filePath("bin/" + name);
        writeFile(path, "#!/bin/false\n",
                  executable ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                             : QFile::ReadOwner | QFile::WriteOwner);
        return path;
    }

    void writeEntry(const QString& root, const QString& relative, const QByteArray& exec) {
        writeFile(applications(root) + "/" + relative,
                  "[Desktop Entry]\nType=Application\nName=Browser\nExec=" + exec + "\n");
    }

    std::unique_ptr<CAboutDlg> showAbout() {
        auto dialog = std::make_unique<CAboutDlg>();
        dialog->show();
        if (!QTest::qWaitForWindowExposed(dialog.get())) {
            qWarning("About box not exposed");
        }
        return dialog;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_xdg.isValid());
        qputenv("XDG_DATA_HOME", m_xdg.filePath("home").toUtf8());
        qputenv("XDG_DATA_DIRS", (m_xdg.filePath("sys1") + ":" + m_xdg.filePath("sys2")).toUtf8());
        qputenv("PATH", m_xdg.filePath("bin").toUtf8());
    }

    void init() {
        m_opened.clear();
        m_started.clear();
        m_boxes.clear();
        m_desktopOpens = true;
        m_startSucceeds = true;
        m_handlerId.clear();
        QDir(m_xdg.filePath("home")).removeRecursively();
        QDir(m_xdg.filePath("sys1")).removeRecursively();
        QDir(m_xdg.filePath("sys2")).removeRecursively();
        QDir(m_xdg.filePath("bin")).removeRecursively();
        LinkOpenerHooks hooks;
        hooks.openUrl = [this](const QString& url) {
            m_opened << url;
            return m_desktopOpens;
        };
        hooks.htmlHandlerId = [this] { return m_handlerId; };
        hooks.startDetached = [this](const QString& program, const QStringList& arguments) {
            m_started << (QStringList{program} + arguments);
            return m_startSucceeds;
        };
        SetLinkOpenerHooksForTesting(std::move(hooks));
        SetMessageBoxHandlerForTesting([this](const MessageBoxRequest& request) {
            m_boxes << request;
            return QMessageBox::Ok;
        });
    }

    void cleanup() {
        SetLinkOpenerHooksForTesting({});
        SetMessageBoxHandlerForTesting({});
    }

    void aboutTextLineByLine() {
        const CAboutDlg dialog;
        const QStringList expected{
            "",
            "  Quillon 1.0.13",
            "",
            "  Quillon can find NVR and IPCamera in Local Area Network. It is also used to set "
            "the networking of NVR and IPCamera.",
            "",
            "  Quick guide:",
            "",
            "  1. Click Refresh button to search NVR and IPCamera in your Local Area Network.",
            "  2. Select the NVR or IPC then Right-Click(open) or Press 'Enter' or "
            "Double-Click  to open the login page.",
            "  3. Select the NVR or IPC then Right-Click(Networking) to open the Config dialog.",
            "  4. Set the basic networking parameters in Networking tab page.",
            "  5. Set the WIFI parameters in the WIFI tab page.",
            "",
            "  Company Website:",
            "",
            "",
            "",
        };
        const QString text = dialog.textLabel()->text();
        QVERIFY(!text.endsWith("\r\n"));
        QCOMPARE(text.count("\n"), text.count("\r\n"));
        const QStringList lines = text.split("\r\n");
        QCOMPARE(lines.size(), 18);
        for (qsizetype i = 0; i < expected.size(); ++i) {
            QVERIFY2(lines[i] == expected[i],
                     qPrintable(QString("line %1: [%2]").arg(i + 1).arg(lines[i])));
        }
        QVERIFY2(lines[17].startsWith("  ") && lines[17].size() > 2 && lines[17][2] != ' ',
                 qPrintable(lines[17]));
        QVERIFY(!lines[17].contains("%"));
        QCOMPARE(dialog.windowTitle(), QString("About Quillon"));
        QVERIFY(dialog.findChildren<QPushButton*>().isEmpty());

        const QFont font = dialog.textLabel()->font();
        QCOMPARE(font.weight(), QFont::Light);
        QCOMPARE(font.styleHint(), QFont::Serif);
        QVERIFY(!font.italic() && !font.underline() && !font.strikeOut());
        QVERIFY(font.pixelSize() > 0);
    }

    void linksSitOnTheBlankLinesAfterCompanyWebsite() {
        const auto dialog = showAbout();
        const CHyperLink* first = dialog->firstLink();
        const CHyperLink* second = dialog->secondLink();
        const QLabel* text = dialog->textLabel();
        const QFontMetrics metrics(text->font());
        const auto heightOf = [&](qsizetype lines) {
            const QString part = text->text().split("\r\n").mid(0, lines).join("\n");
            return metrics
                .boundingRect(QRect(0, 0, text->contentsRect().width(), 100000),
                              Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, part)
                .height();
        };
        for (const CHyperLink* link : {first, second}) {
            QVERIFY2(link->y() >= text->y() + heightOf(14), qPrintable(link->objectName()));
            QVERIFY2(link->geometry().bottom() < text->y() + heightOf(17),
                     qPrintable(link->objectName()));
            QVERIFY(dialog->rect().contains(link->geometry()));
        }
        // Every line is shown, whatever face stands in for the text font.
        QVERIFY(text->contentsRect().height() >= heightOf(18));
        QVERIFY(dialog->rect().contains(text->geometry()));
        QCOMPARE(first->y(), second->y());
        QVERIFY(second->geometry().right() < first->x());
    }

    void eachLinkHasItsTarget() {
        const CAboutDlg dialog;
        QCOMPARE(dialog.firstLink()->linkTarget(), QString(CAboutDlg::FIRST_LINK));
        QCOMPARE(dialog.firstLink()->text(), QString(CAboutDlg::FIRST_LINK));
        // The second was never given a target: its caption is the target.
        QCOMPARE(dialog.secondLink()->linkTarget(), dialog.secondLink()->text());
        QCOMPARE(dialog.secondLink()->text(), QString(CAboutDlg::SECOND_LINK));
        for (const CHyperLink* link : {dialog.firstLink(), dialog.secondLink()}) {
            QCOMPARE(link->toolTip(), link->linkTarget());
            QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
            QVERIFY(link->linkTarget().startsWith("https://"));
            QVERIFY(QUrl(link->linkTarget()).host().endsWith("example.com") ||
                    QUrl(link->linkTarget()).host().endsWith("example.org"));
        }
    }

    void clickOpensTheTargetAndTurnsVisited() {
        const auto dialog = showAbout();
        CHyperLink* link = dialog->secondLink();
        QCOMPARE(link->textColor(), LINK_BLUE);
        QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
        QCOMPARE(m_opened, QStringList{CAboutDlg::SECOND_LINK});
        QVERIFY(m_boxes.isEmpty());
        QVERIFY(link->isVisited());
        QCOMPARE(link->textColor(), VISITED_PURPLE);
        QVERIFY(imageHasColour(link->grab().toImage(), VISITED_PURPLE));
        QVERIFY(!dialog->firstLink()->isVisited());

        // A failed open afterwards beeps, says why and forgets the visit.
        m_desktopOpens = false;
        QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
        QCOMPARE(m_opened.size(), 2);
        QVERIFY(!link->isVisited());
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].text, ERROR_HEAD +
                                      "There is no application associated\nwith the given filename "
                                      "extension.");
        QCOMPARE(link->textColor(), LINK_BLUE);
        QVERIFY(!imageHasColour(link->grab().toImage(), VISITED_PURPLE));
    }

    void pressOutsideOrOtherButtonOpensNothing() {
        const auto dialog = showAbout();
        CHyperLink* link = dialog->firstLink();
        QTest::mouseClick(link, Qt::RightButton, {}, link->rect().center());
        QTest::mousePress(link, Qt::LeftButton, {}, link->rect().center());
        QTest::mouseRelease(link, Qt::LeftButton, {}, link->rect().bottomRight() + QPoint(20, 20));
        QVERIFY(m_opened.isEmpty());
        QVERIFY(!link->isVisited());
    }

    void openErrorTexts_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << "The operating system is out\nof memory or resources.";
        QTest::newRow("2") << 2 << "The specified file was not found.";
        QTest::newRow("3") << 3 << "The specified path was not found.";
        QTest::newRow("5") << 5 << "The operating system denied\naccess to the specified file.";
        QTest::newRow("8") << 8 << "There was not enough memory to complete the operation.";
        QTest::newRow("11") << 11
                            << "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
        QTest::newRow("26") << 26 << "A sharing violation occurred. ";
        QTest::newRow("27") << 27 << "The filename association is\nincomplete or invalid.";
        QTest::newRow("28") << 28
                            << "The DDE transaction could not\nbe completed because the request "
                               "timed out.";
        QTest::newRow("29") << 29 << "The DDE transaction failed.";
        QTest::newRow("30") << 30
                            << "The DDE transaction could not\nbe completed because other DDE "
                               "transactions\nwere being processed.";
        QTest::newRow("31") << 31
                            << "There is no application associated\nwith the given filename "
                               "extension.";
        QTest::newRow("32") << 32 << "The specified dynamic-link library was not found.";
        QTest::newRow("4") << 4 << "Unknown Error (4) occurred.";
        QTest::newRow("1") << 1 << "Unknown Error (1) occurred.";
        QTest::newRow("33") << 33 << "Unknown Error (33) occurred.";
        QTest::newRow("-1") << -1 << "Unknown Error (-1) occurred.";
    }

    void openErrorTexts() {
        QFETCH(int, code);
        QFETCH(QString, text);
        CHyperLink link(QStringLiteral("https://example.com"), nullptr);
        link.Attach();
        link.ShowOpenError(code);
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].text, ERROR_HEAD + text);
        QCOMPARE(m_boxes[0].icon, QMessageBox::Warning);
        QCOMPARE(m_boxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(m_boxes[0].title, MessageBoxTitle());
    }

    void hoverUnderlinesUntilThePointerLeaves() {
        const auto dialog = showAbout();
        CHyperLink* link = dialog->firstLink();
        QVERIFY(!link->font().underline());
        QTest::mouseMove(link, link->rect().center());
        QTRY_VERIFY(link->isOver());
        QVERIFY(link->font().underline());
        QCOMPARE(link->textColor(), HOVER_RED);
        QVERIFY(link->hoverTimerActive());
        QVERIFY(imageHasColour(link->grab().toImage(), HOVER_RED));

        // Still inside after several timer periods: still underlined.
        QTest::mouseMove(link, link->rect().center() + QPoint(2, 0));
        QTest::qWait(3 * CHyperLink::HOVER_TIMER_MS);
        QVERIFY(link->isOver());
        QVERIFY(link->font().underline());

        QTest::mouseMove(dialog.get(), QPoint(5, 5));
        QTRY_VERIFY_WITH_TIMEOUT(!link->isOver(), 10 * CHyperLink::HOVER_TIMER_MS);
        QVERIFY(!link->font().underline());
        QVERIFY(!link->hoverTimerActive());
        QCOMPARE(link->textColor(), LINK_BLUE);
        QCOMPARE(link->font(), dialog->font());
    }

    void clickLeavesUnderlineUntilThePointerLeaves() {
        const auto dialog = showAbout();
        CHyperLink* link = dialog->firstLink();
        QTest::mouseMove(link, link->rect().center());
        QTRY_VERIFY(link->isOver());
        QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
        QVERIFY(!link->isOver());
        QVERIFY(link->font().underline());
        QCOMPARE(link->textColor(), VISITED_PURPLE);
        QTest::mouseMove(dialog.get(), QPoint(5, 5));
        QTRY_VERIFY(!link->font().underline());
        QVERIFY(!link->hoverTimerActive());
    }

    void fallbackStartsTheHtmlHandlerWithoutShell() {
        m_desktopOpens = false;
        const QString program = fakeProgram("my browser");
        m_handlerId = "browser.desktop\n";
        writeEntry("sys1", "browser.desktop",
                   "\"" + program.toUtf8() + "\" --new-window \"%u\" %i");
        const QString target = "https://example.com/a?b=1&c=$(touch x);`id` \"q\" 'p'";
        CHyperLink link(QStringLiteral("x"), nullptr);
        QCOMPARE(link.OpenLinkTarget(target), LINK_OPENED);
        QCOMPARE(m_opened, QStringList{target});
        QCOMPARE(m_started.size(), 1);
        QCOMPARE(m_started[0], (QStringList{program, "--new-window", target}));
    }

    void fallbackFindsEntriesLikeTheDesktopDoes() {
        m_desktopOpens = false;
        fakeProgram("home-browser");
        fakeProgram("sys-browser");
        fakeProgram("vendor-browser");
        // The user's own entry hides the system's.
        writeEntry("home", "browser.desktop", "home-browser %U");
        writeEntry("sys1", "browser.desktop", "sys-browser %U");
        // A dash in the ID may stand for a subfolder.
        writeEntry("sys2", "vendor/web/browser.desktop", "vendor-browser");
        CHyperLink link;

        m_handlerId = "browser.desktop";
        QCOMPARE(link.OpenLinkTarget("https://example.com"), LINK_OPENED);
        m_handlerId = "vendor-web-browser.desktop";
        QCOMPARE(link.OpenLinkTarget("https://example.org"), LINK_OPENED);
        QCOMPARE(m_started.size(), 2);
        QCOMPARE(m_started[0],
                 (QStringList{m_xdg.filePath("bin/home-browser"), "https://example.com"}));
        QCOMPARE(m_started[1],
                 (QStringList{m_xdg.filePath("bin/vendor-browser"), "https://example.org"}));
    }

    void fallbackFailuresMapToTheirCodes_data() {
        QTest::addColumn<QString>("handlerId");
        QTest::addColumn<QByteArray>("exec");
        QTest::addColumn<bool>("startSucceeds");
        QTest::addColumn<int>("code");
        QTest::newRow("no handler") << "" << QByteArray("browser %u") << true << LINK_NO_ASSOC;
        QTest::newRow("handler outside applications")
            << "../browser.desktop" << QByteArray("browser %u") << true << LINK_NO_ASSOC;
        QTest::newRow("no such entry")
            << "other.desktop" << QByteArray("browser %u") << true << LINK_NO_ASSOC;
        QTest::newRow("empty Exec")
            << "browser.desktop" << QByteArray("") << true << LINK_ASSOC_INCOMPLETE;
        QTest::newRow("open quote")
            << "browser.desktop" << QByteArray("\"browser %u") << true << LINK_ASSOC_INCOMPLETE;
        QTest::newRow("program missing")
            << "browser.desktop" << QByteArray("nobrowser %u") << true << LINK_FILE_NOT_FOUND;
        QTest::newRow("path missing")
            << "browser.desktop" << QByteArray("/nonexistent/b %u") << true << LINK_FILE_NOT_FOUND;
        QTest::newRow("not executable")
            << "browser.desktop" << QByteArray("@plain %u") << true << LINK_ACCESS_DENIED;
        QTest::newRow("start fails")
            << "browser.desktop" << QByteArray("browser %u") << false << LINK_OUT_OF_RESOURCES;
    }

    void fallbackFailuresMapToTheirCodes() {
        QFETCH(QString, handlerId);
        QFETCH(QByteArray, exec);
        QFETCH(bool, startSucceeds);
        QFETCH(int, code);
        m_desktopOpens = false;
        m_startSucceeds = startSucceeds;
        m_handlerId = handlerId;
        fakeProgram("browser");
        exec.replace("@plain", fakeProgram("plain", false).toUtf8());
        writeEntry("sys1", "browser.desktop", exec);
        writeEntry("sys1", "../browser.desktop", "browser %u");

        CHyperLink link(QStringLiteral("https://example.com"), nullptr);
        link.Attach();
        QCOMPARE(link.OpenLinkTarget(link.linkTarget()), code);
        QCOMPARE(m_started.size(), startSucceeds ? 0 : 1);
    }

    void clickReportsTheFallbacksFailure() {
        m_desktopOpens = false;
        m_handlerId = "browser.desktop";
        writeEntry("home", "browser.desktop", "nobrowser %u");
        const auto dialog = showAbout();
        CHyperLink* link = dialog->firstLink();
        QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].text, ERROR_HEAD + "The specified file was not found.");
        QVERIFY(!link->isVisited());
    }

    void fitToTextKeepsTheAlignedEdge_data() {
        QTest::addColumn<int>("alignment");
        QTest::addColumn<QString>("kept");
        QTest::newRow("left top") << int(Qt::AlignLeft | Qt::AlignTop) << "left top";
        QTest::newRow("centre") << int(Qt::AlignHCenter | Qt::AlignTop) << "hcentre top";
        QTest::newRow("right") << int(Qt::AlignRight | Qt::AlignTop) << "right top";
        QTest::newRow("vcentre") << int(Qt::AlignLeft | Qt::AlignVCenter) << "left vcentre";
    }

    void fitToTextKeepsTheAlignedEdge() {
        QFETCH(int, alignment);
        QFETCH(QString, kept);
        QWidget parent;
        parent.resize(600, 300);
        auto* link = new CHyperLink(QStringLiteral("https://example.com"), &parent);
        link->setAlignment(Qt::Alignment(alignment));
        const QRect before(100, 100, 301, 61);
        link->setGeometry(before);
        link->Attach();
        QFont underlined = link->font();
        underlined.setUnderline(true);
        const QSize text = QFontMetrics(underlined).size(Qt::TextSingleLine, link->text());
        const QRect after = link->geometry();

        // Text of odd and even size both keep the centre within a pixel.
        QVERIFY2(qAbs(after.width() - text.width()) <= 1,
                 qPrintable(QString::number(after.width())));
        QVERIFY(qAbs(after.height() - text.height()) <= 1);
        if (kept.contains("left")) {
            QCOMPARE(after.left(), before.left());
        }
        if (kept.contains("right")) {
            QCOMPARE(after.right(), before.right());
        }
        if (kept.contains("hcentre")) {
            QVERIFY(qAbs(after.center().x() - before.center().x()) <= 1);
        }
        if (kept.contains("top")) {
            QCOMPARE(after.top(), before.top());
        }
        if (kept.contains("vcentre")) {
            QVERIFY(qAbs(after.center().y() - before.center().y()) <= 1);
        }
    }

    void targetSetBeforeAttachingFillsAnEmptyText() {
        CHyperLink empty;
        empty.SetLinkTarget(QStringLiteral("https://example.com/x"));
        QVERIFY(empty.text().isEmpty());
        empty.Attach();
        QCOMPARE(empty.text(), QString("https://example.com/x"));
        QCOMPARE(empty.toolTip(), QString("https://example.com/x"));
        QVERIFY(empty.width() > 0);

        CHyperLink captioned(QStringLiteral("Our site"), nullptr);
        captioned.SetLinkTarget(QStringLiteral("https://example.org/"));
        captioned.Attach();
        QCOMPARE(captioned.text(), QString("Our site"));
        QTest::mouseClick(&captioned, Qt::LeftButton, {}, captioned.rect().center());
        QCOMPARE(m_opened, QStringList{"https://example.org/"});

        // A new target after attaching is the tooltip at once.
        captioned.SetLinkTarget(QStringLiteral("https://example.net/"));
        QCOMPARE(captioned.toolTip(), QString("https://example.net/"));
    }

    void escEnterAndCloseBoxEndTheBox() {
        {
            CAboutDlg dialog;
            escapeNextModal();
            QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        }
        {
            CAboutDlg dialog;
            QTimer::singleShot(0, [&dialog] { QTest::keyClick(&dialog, Qt::Key_Return); });
            dialog.exec();
            QVERIFY(!dialog.isVisible());
        }
        {
            CAboutDlg dialog;
            QTimer::singleShot(0, [&dialog] { QVERIFY(dialog.close()); });
            dialog.exec();
            QVERIFY(!dialog.isVisible());
        }
    }

    void escClosesTheBoxOpenedFromTheMainWindow() {
        // The main window swallows Esc and Enter for itself; the box above it
        // must still get them.
        test::FakeNetwork network;
        CQuillonDlg window;
        window.SetRefreshHooksForTesting(network.hooks());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
            bool sawAbout = false;
            QTimer::singleShot(0, [&sawAbout, key] {
                auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
                sawAbout = about != nullptr;
                if (about != nullptr) {
                    QTest::keyClick(about, key);
                }
            });
            QTest::mouseClick(window.findChild<QPushButton*>("helpButton"), Qt::LeftButton);
            QVERIFY(sawAbout);
            QVERIFY(window.findChildren<CAboutDlg*>().isEmpty());
        }
        QVERIFY(window.isVisible());
    }

    void openingAndClosingManyTimesLeavesNothing() {
        const qsizetype windowsBefore = QApplication::topLevelWidgets().size();
        for (int i = 0; i < 40; ++i) {
            CAboutDlg dialog;
            escapeNextModal();
            dialog.exec();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(QApplication::topLevelWidgets().size(), windowsBefore);
    }
};

QTEST_MAIN(HelpTest)
#include "HelpTest.moc"

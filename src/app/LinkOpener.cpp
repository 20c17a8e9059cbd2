#include "app/LinkOpener.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <utility>

#include "app/DesktopEntryExec.h"

namespace quillon {

namespace {

// Browsers' desktop entries carry every translation of their names; a few
// hundred kilobytes is already far more than any real one.
constexpr qint64 MAX_DESKTOP_ENTRY_BYTES = 1024 * 1024;
constexpr qint64 MAX_QUERY_OUTPUT_BYTES = 4096;
constexpr int QUERY_START_MS = 2000;
constexpr int QUERY_FINISH_MS = 5000;
// A desktop file ID's dashes may stand for subdirectories; a few levels
// cover every real layout.
constexpr int MAX_ID_DIRECTORY_DEPTH = 8;

LinkOpenerHooks& hooks() {
    static LinkOpenerHooks testHooks;
    return testHooks;
}

bool openWithDesktop(const QString& url) {
    if (hooks().openUrl) {
        return hooks().openUrl(url);
    }
    return QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode));
}

QString queryHtmlHandler() {
    if (hooks().htmlHandlerId) {
        return hooks().htmlHandlerId();
    }
    QProcess query;
    query.setStandardInputFile(QProcess::nullDevice());
    query.setStandardErrorFile(QProcess::nullDevice());
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/html")});
    if (!query.waitForStarted(QUERY_START_MS)) {
        return {};
    }
    if (!query.waitForFinished(QUERY_FINISH_MS)) {
        query.kill();
        query.waitForFinished(QUERY_START_MS);
        return {};
    }
    if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0) {
        return {};
    }
    return QString::fromUtf8(query.read(MAX_QUERY_OUTPUT_BYTES));
}

bool startProgram(const QString& program, const QStringList& arguments) {
    if (hooks().startDetached) {
        return hooks().startDetached(program, arguments);
    }
    return QProcess::startDetached(program, arguments);
}

QString findInDirectory(const QDir& directory, const QString& id, int depth) {
    if (directory.exists(id) && QFileInfo(directory.filePath(id)).isFile()) {
        return directory.filePath(id);
    }
    if (depth >= MAX_ID_DIRECTORY_DEPTH) {
        return {};
    }
    for (qsizetype dash = id.indexOf(u'-'); dash > 0; dash = id.indexOf(u'-', dash + 1)) {
        const QString prefix = id.left(dash);
        if (QFileInfo(directory.filePath(prefix)).isDir()) {
            const QString found =
                findInDirectory(QDir(directory.filePath(prefix)), id.mid(dash + 1), depth + 1);
            if (!found.isEmpty()) {
                return found;
            }
        }
    }
    return {};
}

// The desktop entry of id in the applications folders, user's first.
QString findDesktopEntry(const QString& id) {
    const QStringList folders =
        QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
    for (const QString& folder : folders) {
        const QString found = findInDirectory(QDir(folder), id, 0);
        if (!found.isEmpty()) {
            return found;
        }
    }
    return {};
}

std::optional<QByteArray> readBounded(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    QByteArray contents = file.read(MAX_DESKTOP_ENTRY_BYTES + 1);
    if (contents.size() > MAX_DESKTOP_ENTRY_BYTES) {
        return std::nullopt;
    }
    return contents;
}

// The program as it will be started, or the code of why it can't be.
std::pair<QString, int> resolveProgram(const QString& program) {
    if (!program.contains(u'/')) {
        const QString found = QStandardPaths::findExecutable(program);
        return {found, found.isEmpty() ? LINK_FILE_NOT_FOUND : LINK_OPENED};
    }
    const QFileInfo info(program);
    if (!info.exists()) {
        return {{}, LINK_FILE_NOT_FOUND};
    }
    if (!info.isFile() || !info.isExecutable()) {
        return {{}, LINK_ACCESS_DENIED};
    }
    return {info.absoluteFilePath(), LINK_OPENED};
}

int openWithHtmlHandler(const QString& target, int desktopResult) {
    const QString id = queryHtmlHandler().section(u'\n', 0, 0).trimmed();
    const QByteArray idBytes = id.toUtf8();
    if (!IsDesktopFileId(std::string_view(idBytes.constData(), idBytes.size()))) {
        return desktopResult;
    }
    const QString path = findDesktopEntry(id);
    if (path.isEmpty()) {
        return desktopResult;
    }
    const std::optional<QByteArray> contents = readBounded(path);
    if (!contents) {
        return desktopResult;
    }
    const std::optional<std::string> exec =
        DesktopEntryExecValue(std::string_view(contents->constData(), contents->size()));
    const QByteArray targetBytes = target.toUtf8();
    const auto words =
        exec ? ExecToArguments(*exec, std::string_view(targetBytes.constData(), targetBytes.size()))
             : std::nullopt;
    if (!words) {
        return LINK_ASSOC_INCOMPLETE;
    }
    const auto [program, code] = resolveProgram(QString::fromStdString(words->front()));
    if (code != LINK_OPENED) {
        return code;
    }
    QStringList arguments;
    arguments.reserve(static_cast<qsizetype>(words->size()) - 1);
    for (std::size_t i = 1; i < words->size(); ++i) {
        arguments << QString::fromStdString((*words)[i]);
    }
    return startProgram(program, arguments) ? LINK_OPENED : LINK_OUT_OF_RESOURCES;
}

}  // namespace

int OpenLink(const QString& target) {
    if (openWithDesktop(target)) {
        return LINK_OPENED;
    }
    return openWithHtmlHandler(target, LINK_NO_ASSOC);
}

void SetLinkOpenerHooksForTesting(LinkOpenerHooks testHooks) {
    hooks() = std::move(testHooks);
}

}  // namespace quillon

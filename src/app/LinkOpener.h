#pragma once

// Opens a hyperlink's target: first with the desktop's URL opener, then, when
// that fails, with the default handler of text/html started directly from its
// desktop entry. Reports the outcome as the codes the hyperlink's error
// message knows: above 32 is success.

#include <QString>
#include <QStringList>
#include <functional>

namespace quillon {

// The outcomes of opening a link, in the codes of the error message.
constexpr int LINK_OUT_OF_RESOURCES = 0;   // the browser could not be started
constexpr int LINK_FILE_NOT_FOUND = 2;     // the browser's program is missing
constexpr int LINK_ACCESS_DENIED = 5;      // the browser's program may not run
constexpr int LINK_ASSOC_INCOMPLETE = 27;  // its desktop entry has no usable Exec
constexpr int LINK_NO_ASSOC = 31;          // no opener and no text/html handler
constexpr int LINK_OPENED = 33;            // anything above 32 is success

// Tries the desktop's opener and then the text/html handler; returns
// LINK_OPENED or the code of the last route tried.
int OpenLink(const QString& target);

// The steps that reach outside the process. An empty member keeps the real
// step (for testing).
struct LinkOpenerHooks {
    // The desktop's URL opener; true when it took the URL.
    std::function<bool(const QString& url)> openUrl;
    // The desktop file ID of the text/html handler, as "xdg-mime query
    // default text/html" prints it (untrimmed).
    std::function<QString()> htmlHandlerId;
    // Starts program with arguments, detached and without a shell.
    std::function<bool(const QString& program, const QStringList& arguments)> startDetached;
};

// Replaces the steps above for every later OpenLink; default-constructed
// hooks restore the real ones (for testing).
void SetLinkOpenerHooksForTesting(LinkOpenerHooks hooks);

}  // namespace quillon

#include "ui/main/DevicePage.h"

#include <QDesktopServices>
#include <QUrl>
#include <utility>

namespace quillon {

namespace {
std::function<void(const QString&)>& opener() {
    static std::function<void(const QString&)> testOpener;
    return testOpener;
}
}  // namespace

void OpenDevicePage(const QString& url) {
    if (opener()) {
        opener()(url);
        return;
    }
    QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode));
}

void SetDevicePageOpenerForTesting(std::function<void(const QString&)> testOpener) {
    opener() = std::move(testOpener);
}

}  // namespace quillon

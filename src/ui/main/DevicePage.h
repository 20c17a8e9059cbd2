#pragma once

// Hands a device's web page address to the desktop's browser. What the
// desktop makes of it is not reported.

#include <QString>
#include <functional>

namespace quillon {

void OpenDevicePage(const QString& url);

// Routes every later OpenDevicePage to opener instead of the desktop; an
// empty opener restores the desktop (for testing).
void SetDevicePageOpenerForTesting(std::function<void(const QString&)> opener);

}  // namespace quillon

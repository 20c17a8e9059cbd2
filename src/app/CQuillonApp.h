#pragma once

// The application object: marks the running instance, names the profile,
// runs the main window modally and gives the instance mark up at exit.

#include <memory>

#include "app/InstanceLock.h"

namespace quillon {

inline constexpr const char* INSTANCE_NAME = "Quillon-C3AD51E0-C2E4-412d-AF4F-F8F64CD11773";
inline constexpr const char* PROFILE_KEY = "Local AppWizard-Generated Applications";

class CQuillonApp {
public:
    // Runs the main window to its end. Always false: there is no message loop
    // of the application's own after the window.
    bool InitInstance();
    // Gives the instance lock up. Returns the exit code.
    int ExitInstance();

private:
    std::unique_ptr<InstanceLock> m_hMutex;
};

}  // namespace quillon

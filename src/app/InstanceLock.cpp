#include "app/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

namespace quillon {

std::string InstanceLock::PathFor(const std::string& name) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string dir = runtime != nullptr && runtime[0] != '\0' ? runtime : "/tmp";
    return dir + "/" + name;
}

InstanceLock::InstanceLock(const std::string& name) {
    // O_NOFOLLOW: in a shared /tmp someone else could have planted a link.
    m_fd = ::open(PathFor(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_fd >= 0) {
        m_owned = ::flock(m_fd, LOCK_EX | LOCK_NB) == 0;
    }
}

InstanceLock::~InstanceLock() {
    Release();
}

void InstanceLock::Release() {
    if (m_fd < 0) {
        return;
    }
    // The file stays: removing it could split the lock between a copy that
    // still holds the old file and one that creates a new one.
    if (m_owned) {
        ::flock(m_fd, LOCK_UN);
        m_owned = false;
    }
    ::close(m_fd);
    m_fd = -1;
}

}  // namespace quillon

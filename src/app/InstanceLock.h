#pragma once

// Marks a running copy of the program to other processes: a lock file named
// after the instance name in the user's runtime directory, held with flock by
// the first copy. A later copy runs just the same without holding it.

#include <string>

namespace quillon {

class InstanceLock {
public:
    // Opens (creating) the lock file and tries to take the lock; failing to
    // do either is not an error.
    explicit InstanceLock(const std::string& name);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    bool owned() const { return m_owned; }
    // Gives the lock up; later calls do nothing.
    void Release();

    // $XDG_RUNTIME_DIR/name, or /tmp/name without one.
    static std::string PathFor(const std::string& name);

private:
    int m_fd = -1;
    bool m_owned = false;
};

}  // namespace quillon

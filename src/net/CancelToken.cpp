#include "net/CancelToken.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace quillon {

CancelToken::CancelToken() : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CancelToken::~CancelToken() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

void CancelToken::cancel() {
    if (m_cancelled.exchange(true)) {
        return;
    }
    if (m_fd >= 0) {
        // Nobody ever reads the counter, so the descriptor stays readable.
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_fd, &one, sizeof one);
    }
}

}  // namespace quillon

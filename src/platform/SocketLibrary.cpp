#include "platform/SocketLibrary.h"

#include <csignal>

namespace quillon {

SocketLibrary::SocketLibrary() {
    m_started = std::signal(SIGPIPE, SIG_IGN) != SIG_ERR;
}

}  // namespace quillon

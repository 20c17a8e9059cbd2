#include "platform/Socket.h"

#include <unistd.h>

namespace quillon {

int closesocket(SOCKET s) {
    return ::close(s) == 0 ? 0 : -1;
}

}  // namespace quillon

#include "net/DeviceRecord.h"

#include "net/FrameHeader.h"

namespace quillon {

bool SlotHasMagic(std::span<const std::uint8_t> datagram, std::size_t offset) {
    return offset <= datagram.size() && StartsWithMagic(datagram.subspan(offset));
}

}  // namespace quillon

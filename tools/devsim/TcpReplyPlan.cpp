#include "TcpReplyPlan.h"

#include <algorithm>

#include "net/ByteReader.h"
#include "net/FrameHeader.h"

namespace quillon::devsim {

TcpReplyPlan planTcpReply(std::vector<std::uint8_t> reply, std::uint16_t command,
                          const SimModes& modes) {
    TcpReplyPlan plan;
    plan.trickle = modes.tcpTrickle;
    if (modes.tcpSilent || reply.size() < FRAME_HEADER_SIZE) {
        return plan;
    }
    if (modes.tcpShortSettings && command == CMD_WIFI_GET_SETTINGS &&
        reply.size() > FRAME_HEADER_SIZE + SHORT_SETTINGS_SIZE) {
        reply.resize(FRAME_HEADER_SIZE + SHORT_SETTINGS_SIZE);
        PutU32(reply, 4, SHORT_SETTINGS_SIZE);
    }
    if (modes.tcpWrongMagic) {
        reply[3] = 0xAB;
    }
    if (modes.tcpHugeLength) {
        PutU32(reply, 4, 0xFFFFFFFF);
    }
    if (modes.tcpHeaderOnly) {
        reply.resize(FRAME_HEADER_SIZE);
    }
    if (modes.tcpCloseMid) {
        const std::size_t payload = reply.size() - FRAME_HEADER_SIZE;
        reply.resize(FRAME_HEADER_SIZE + payload / 2);
        plan.closeAfter = true;
    }
    plan.bytes = std::move(reply);
    return plan;
}

}  // namespace quillon::devsim

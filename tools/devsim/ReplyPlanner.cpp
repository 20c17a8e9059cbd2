#include "ReplyPlanner.h"

#include <algorithm>
#include <utility>

#include "RecordWriter.h"
#include "net/NetAddressBlock.h"

namespace quillon::devsim {

const ReplyPlanner::Route ReplyPlanner::ROUTES[] = {
    {CMD_NETWORK, NET_QUERY, &ReplyPlanner::onBasicSearch},
    {CMD_SEARCH, 0, &ReplyPlanner::onExtendedSearch},
    {CMD_NETWORK, NET_SET_ADDRESS, &ReplyPlanner::onSetAddress},
    {CMD_NETWORK, NET_SET_DHCP, &ReplyPlanner::onSetDhcp},
};

namespace {

// A NUL-terminated text of a fixed-width field, never read past the field.
std::string fieldText(std::span<const std::uint8_t> field) {
    std::string text;
    for (const std::uint8_t b : field) {
        if (b == 0) {
            break;
        }
        text.push_back(static_cast<char>(b));
    }
    return text;
}

}  // namespace

DeviceProfile wrongMagicDevice() {
    DeviceProfile d;
    d.name = "Wrong-Magic";
    d.mac = "BA:D0:00:00:00:00";
    d.ip = "192.0.2.1";
    d.gateway = "192.0.2.254";
    d.subnetMask = "255.255.255.0";
    d.swVersion = "V0.00.R00.00000000";
    d.deviceId = "QDBAD0000000";
    return d;
}

ReplyPlanner::ReplyPlanner(DevsimConfig config) : m_config(std::move(config)) {
    for (const DeviceProfile& d : m_config.devices) {
        m_mostRepeats = std::max(m_mostRepeats, d.repeat);
    }
}

std::vector<Datagram> ReplyPlanner::respond(std::span<const std::uint8_t> received) {
    const auto header = FrameHeader::Decode(received);
    if (!header || header->magic != FRAME_MAGIC) {
        return {};
    }
    for (const Route& route : ROUTES) {
        if (route.command == header->command && route.subCommand == header->subCommand) {
            return (this->*route.handler)(*header, received.subspan(FRAME_HEADER_SIZE));
        }
    }
    return {};
}

std::size_t ReplyPlanner::roundCount() const {
    return m_mostRepeats + (m_config.modes.macCase ? 1 : 0);
}

bool ReplyPlanner::flippedRound(std::size_t round) const {
    return m_config.modes.macCase && round + 1 == roundCount();
}

bool ReplyPlanner::inRound(const DeviceProfile& device, std::size_t round) const {
    return flippedRound(round) ? device.repeat > 0 : device.repeat > round;
}

std::vector<Datagram> ReplyPlanner::onBasicSearch(const FrameHeader& header,
                                                  std::span<const std::uint8_t>) {
    const SimModes& modes = m_config.modes;
    const Record bad = buildRecord(wrongMagicDevice(), header.command, {.wrongMagic = true});
    const std::size_t realPerDatagram = RECORDS_PER_DATAGRAM - (modes.wrongMagic ? 1 : 0);

    std::vector<Datagram> replies;
    Datagram firstReal;
    for (std::size_t round = 0; round < roundCount(); ++round) {
        const RecordStyle style{.unterminated = modes.unterminated,
                                .flipMacCase = flippedRound(round)};
        // Each round starts a datagram of its own: a device answering twice
        // sends two replies, not one slot twice.
        std::size_t inDatagram = realPerDatagram;
        for (const DeviceProfile& device : m_config.devices) {
            if (!device.answersBasic() || !inRound(device, round)) {
                continue;
            }
            if (inDatagram == realPerDatagram) {
                replies.emplace_back();
                replies.back().reserve(MAX_REPLY_DATAGRAM);
                if (modes.wrongMagic) {
                    replies.back().insert(replies.back().end(), bad.begin(), bad.end());
                }
                inDatagram = 0;
            }
            const Record r = buildRecord(device, header.command, style);
            replies.back().insert(replies.back().end(), r.begin(), r.end());
            if (firstReal.empty()) {
                firstReal.assign(r.begin(), r.end());
            }
            ++inDatagram;
        }
    }
    prependShortReplies(replies, firstReal);
    return replies;
}

std::vector<Datagram> ReplyPlanner::onExtendedSearch(const FrameHeader& header,
                                                     std::span<const std::uint8_t>) {
    const SimModes& modes = m_config.modes;
    const bool withId = !modes.extended240;
    const Datagram bad =
        buildExtendedReply(wrongMagicDevice(), header.command, {.wrongMagic = true}, withId);

    std::vector<Datagram> replies;
    Datagram firstReal;
    for (std::size_t round = 0; round < roundCount(); ++round) {
        const RecordStyle style{.unterminated = modes.unterminated,
                                .flipMacCase = flippedRound(round)};
        for (const DeviceProfile& device : m_config.devices) {
            if (!device.answersExtended() || !inRound(device, round)) {
                continue;
            }
            if (modes.wrongMagic) {
                replies.push_back(bad);
            }
            replies.push_back(buildExtendedReply(device, header.command, style, withId));
            if (firstReal.empty()) {
                firstReal = replies.back();
            }
        }
    }
    prependShortReplies(replies, firstReal);
    return replies;
}

DeviceProfile* ReplyPlanner::deviceWithMac(std::string_view mac) {
    const auto found = std::find_if(m_config.devices.begin(), m_config.devices.end(),
                                    [mac](const DeviceProfile& d) { return d.mac == mac; });
    return found == m_config.devices.end() ? nullptr : &*found;
}

std::vector<Datagram> ReplyPlanner::onSetAddress(const FrameHeader&,
                                                 std::span<const std::uint8_t> payload) {
    if (payload.size() < NET_ADDRESS_BLOCK_SIZE) {
        return {};
    }
    const auto field = [&payload](std::size_t n) {
        return fieldText(payload.subspan(n * NET_ADDRESS_FIELD, NET_ADDRESS_FIELD));
    };
    if (DeviceProfile* device = deviceWithMac(field(3))) {
        device->ip = field(0);
        device->gateway = field(1);
        device->subnetMask = field(2);
    }
    return {};
}

std::vector<Datagram> ReplyPlanner::onSetDhcp(const FrameHeader& header,
                                              std::span<const std::uint8_t> payload) {
    // The MAC text is the announced length's worth of payload, no more than
    // arrived.
    const auto take =
        static_cast<std::size_t>(std::min<std::uint64_t>(header.length, payload.size()));
    const auto macBytes = payload.first(take);
    DeviceProfile* device = deviceWithMac(std::string(macBytes.begin(), macBytes.end()));
    if (device == nullptr || device->dhcpAnswer == DhcpAnswer::Silent) {
        return {};
    }
    const auto head =
        FrameHeader{.length = 4, .subCommand = NET_SET_DHCP, .command = CMD_NETWORK}.Encode();
    Datagram reply(head.begin(), head.end());
    for (int shift = 0; shift < 32; shift += 8) {
        reply.push_back(static_cast<std::uint8_t>(device->dhcpResult >> shift));
    }
    if (device->dhcpAnswer == DhcpAnswer::Short) {
        reply.resize(FRAME_HEADER_SIZE);
    } else if (device->dhcpAnswer == DhcpAnswer::Long) {
        reply.resize(DHCP_REPLY_SIZE + 4, 0);
    }
    if (device->dhcpResult == 0) {
        device->netState |= record::STATE_DHCP_ON;
    }
    return {reply};
}

void ReplyPlanner::prependShortReplies(std::vector<Datagram>& replies,
                                       const Datagram& firstReal) const {
    if (!m_config.modes.shortReplies || firstReal.size() < DEVICE_RECORD_SIZE) {
        return;
    }
    const auto begin = firstReal.begin();
    const std::vector<Datagram> cut = {
        Datagram(begin, begin + static_cast<std::ptrdiff_t>(DEVICE_RECORD_SIZE - 1)),
        Datagram(begin, begin + static_cast<std::ptrdiff_t>(FRAME_HEADER_SIZE)),
    };
    replies.insert(replies.begin(), cut.begin(), cut.end());
}

}  // namespace quillon::devsim

#include "ReplyPlanner.h"

#include <algorithm>
#include <utility>

#include "RecordWriter.h"

namespace quillon::devsim {

// Later commands (set address, set DHCP) slot in here.
const ReplyPlanner::Route ReplyPlanner::ROUTES[] = {
    {CMD_NETWORK, NET_QUERY, &ReplyPlanner::onBasicSearch},
    {CMD_SEARCH, 0, &ReplyPlanner::onExtendedSearch},
};

DeviceSpec wrongMagicDevice() {
    DeviceSpec d;
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
    for (const DeviceSpec& d : m_config.devices) {
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

bool ReplyPlanner::inRound(const DeviceSpec& device, std::size_t round) const {
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
        for (const DeviceSpec& device : m_config.devices) {
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
        for (const DeviceSpec& device : m_config.devices) {
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

#pragma once

// What the simulated devices answer to one received datagram, as the list of
// datagrams to send back to its sender, in order. No sockets here: the server
// sends what this plans.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "DevsimConfig.h"
#include "net/DeviceRecord.h"
#include "net/FrameHeader.h"

namespace quillon::devsim {

using Datagram = std::vector<std::uint8_t>;

// A basic reply datagram holds as many whole records as fit in the search's
// 8192-byte receive buffer: 34.
inline constexpr std::size_t MAX_REPLY_DATAGRAM = 8192;
inline constexpr std::size_t RECORDS_PER_DATAGRAM = MAX_REPLY_DATAGRAM / DEVICE_RECORD_SIZE;

// The device whose record carries the wrong magic in mode wrong-magic.
DeviceProfile wrongMagicDevice();

class ReplyPlanner {
public:
    explicit ReplyPlanner(DevsimConfig config);

    // The replies to a received datagram. A datagram shorter than a header,
    // without the magic, or with a command no handler takes gets none.
    std::vector<Datagram> respond(std::span<const std::uint8_t> received);

    const DevsimConfig& config() const { return m_config; }

private:
    using Handler = std::vector<Datagram> (ReplyPlanner::*)(const FrameHeader& header,
                                                            std::span<const std::uint8_t> payload);
    struct Route {
        std::uint16_t command;
        std::uint8_t subCommand;
        Handler handler;
    };
    static const Route ROUTES[];

    std::vector<Datagram> onBasicSearch(const FrameHeader& header,
                                        std::span<const std::uint8_t> payload);
    std::vector<Datagram> onExtendedSearch(const FrameHeader& header,
                                           std::span<const std::uint8_t> payload);
    // Set address changes the device whose MAC text matches exactly; no
    // device answers it.
    std::vector<Datagram> onSetAddress(const FrameHeader& header,
                                       std::span<const std::uint8_t> payload);
    // Set DHCP: the device whose MAC text matches exactly answers as its
    // configuration says, and a device that accepts reports DHCP on.
    std::vector<Datagram> onSetDhcp(const FrameHeader& header,
                                    std::span<const std::uint8_t> payload);
    DeviceProfile* deviceWithMac(std::string_view mac);

    // The devices answering in round r of a probe: round r is every device
    // that answers it more than r times; with mac-case one more round follows
    // with every answering device's MAC in the other case.
    std::size_t roundCount() const;
    bool inRound(const DeviceProfile& device, std::size_t round) const;
    bool flippedRound(std::size_t round) const;

    // Prepends mode short's 239-byte and 12-byte datagrams, cut from the first
    // real record, when there is one.
    void prependShortReplies(std::vector<Datagram>& replies, const Datagram& firstReal) const;

    DevsimConfig m_config;
    std::uint32_t m_mostRepeats = 0;
};

}  // namespace quillon::devsim

// Arbitrary datagrams through the slot rule and the record reader. Whatever
// a device sends, reading it must stay inside the datagram, report only slots
// that begin with the magic, and give texts no longer than their fields.

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "discovery/DevInfo.h"
#include "discovery/SearchResultTable.h"
#include "net/DeviceRecord.h"
#include "net/NetAddressBlock.h"

namespace quillon {
namespace {

constexpr int ITERATIONS = 200'000;
constexpr std::size_t MAX_DATAGRAM = 8192;

// Datagrams shaped like replies often enough to reach the reader's corners:
// lengths near multiples of a record, slots that mostly begin with the
// magic, and texts that often run to the end of their field without a NUL.
class DatagramSource {
public:
    explicit DatagramSource(std::uint64_t start) : m_random(start) {}

    std::vector<std::uint8_t> next() {
        std::vector<std::uint8_t> datagram(length());
        const auto style = m_random() % 4;
        for (std::size_t at = 0; at < datagram.size(); at += 8) {
            // Eight bytes per draw. Style 0: mostly NULs, so short texts and
            // zero counts; style 1: no NUL at all; otherwise any byte.
            const std::uint64_t value = m_random();
            const std::uint64_t keep = style == 0 ? m_random() & m_random() : ~0ull;
            for (std::size_t i = 0; i < 8 && at + i < datagram.size(); ++i) {
                auto byte = static_cast<std::uint8_t>(value >> (8 * i));
                byte = (keep >> (8 * i)) & 0x80 ? byte : 0;
                datagram[at + i] = style == 1 ? (byte | 1) : byte;
            }
        }
        for (std::size_t at = 0; at + 4 <= datagram.size(); at += DEVICE_RECORD_SIZE) {
            if (m_random() % 5 != 0) {
                datagram[at] = 0x55;
                datagram[at + 1] = 0x55;
                datagram[at + 2] = 0xAA;
                datagram[at + 3] = m_random() % 8 == 0 ? 0xAB : 0xAA;
            }
        }
        return datagram;
    }

private:
    std::size_t length() {
        const std::uint64_t r = m_random();
        const auto kind = r % 16;
        if (kind == 0) {  // anything up to the largest datagram the workers read
            return (r >> 8) % (MAX_DATAGRAM + 1);
        }
        if (kind == 1) {  // a whole number of records, maybe with a device ID
            return DEVICE_RECORD_SIZE * (1 + (r >> 8) % 34) + ((r >> 16) % 2 ? DEVICE_ID_SIZE : 0);
        }
        if (kind < 9) {  // one or two records, give or take a few bytes
            return DEVICE_RECORD_SIZE * (1 + (r >> 8) % 2) + DEVICE_ID_SIZE - 20 + (r >> 16) % 40;
        }
        return (r >> 8) % 300;  // short: nothing, a header's worth, most of a record
    }

    std::mt19937_64 m_random;
};

bool hasMagicAt(const std::vector<std::uint8_t>& d, std::size_t at) {
    return at + 4 <= d.size() && d[at] == 0x55 && d[at + 1] == 0x55 && d[at + 2] == 0xAA &&
           d[at + 3] == 0xAA;
}

// The text a field holds, read independently of the code under test.
std::string_view fieldText(const std::vector<std::uint8_t>& d, std::size_t at, std::size_t width) {
    if (at >= d.size()) {
        return {};
    }
    const auto* begin = reinterpret_cast<const char*>(d.data()) + at;
    const std::size_t available = std::min(width, d.size() - at);
    const auto* nul = static_cast<const char*>(std::memchr(begin, 0, available));
    return {begin, nul != nullptr ? static_cast<std::size_t>(nul - begin) : available};
}

bool isNumberIn(const std::string& text, long low, long high) {
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value >= low &&
           value <= high;
}

// Returns the first broken invariant, or the empty text.
std::string checkEntry(const std::vector<std::uint8_t>& d, std::size_t slot, SearchKind kind,
                       const DevInfo& e) {
    namespace r = record;
    const struct {
        const std::string& text;
        std::size_t offset, width;
        const char* name;
    } texts[] = {{e.name, r::NAME, r::NAME_WIDTH, "name"},
                 {e.swVersion, r::SW_VERSION, r::SW_VERSION_WIDTH, "swVersion"},
                 {e.ip, r::IP, r::ADDRESS_WIDTH, "ip"},
                 {e.gateway, r::GATEWAY, r::ADDRESS_WIDTH, "gateway"},
                 {e.subnetMask, r::SUBNET_MASK, r::ADDRESS_WIDTH, "subnetMask"},
                 {e.mac, r::MAC, r::ADDRESS_WIDTH, "mac"}};
    for (const auto& t : texts) {
        if (t.text.size() > t.width || t.text != fieldText(d, slot + t.offset, t.width)) {
            return t.name;
        }
    }
    const std::string_view id =
        kind == SearchKind::Basic ? "" : fieldText(d, slot + DEVICE_RECORD_SIZE, DEVICE_ID_SIZE);
    if (e.deviceId.size() > DEVICE_ID_SIZE || e.deviceId != id) {
        return "deviceId";
    }
    for (const auto* count : {&e.videoCount, &e.audioCount, &e.alarmInCount, &e.alarmOutCount,
                              &e.audioTalk, &e.storage, &e.capabilityBits}) {
        if (!isNumberIn(*count, -128, 127)) {
            return "a count: " + *count;
        }
    }
    for (const auto* port : {&e.webPort, &e.videoPort, &e.phonePort}) {
        if (!isNumberIn(*port, 0, 65535)) {
            return "a port: " + *port;
        }
    }
    if (e.wifiSupport < -128 || e.wifiSupport > 127) {
        return "wifiSupport";
    }
    const bool valid = (d[slot + r::CAPABILITY_BITS] & 0x20) != 0;
    if (e.netStateValid != valid) {
        return "netStateValid";
    }
    const auto flagText = [&](bool on) { return valid ? (on ? "Y" : "N") : "--"; };
    if ((!valid && (e.dhcpOn || e.wirelessOn)) || e.dhcpText != flagText(e.dhcpOn) ||
        e.wirelessText != flagText(e.wirelessOn)) {
        return "network state";
    }
    return {};
}

TEST(RecordFuzz, ArbitraryDatagramsKeepTheReadersInvariants) {
    DatagramSource source(0x5eed1234);
    SearchResultTable table;
    std::size_t entriesSeen = 0;
    for (int i = 0; i < ITERATIONS; ++i) {
        const auto datagram = source.next();
        std::vector<std::size_t> reported;
        ForEachRecordSlot(datagram, [&](std::size_t slot) { reported.push_back(slot); });

        std::vector<std::size_t> expected;
        for (std::size_t at = 0; at + DEVICE_RECORD_SIZE <= datagram.size();
             at += DEVICE_RECORD_SIZE) {
            if (hasMagicAt(datagram, at)) {
                expected.push_back(at);
            }
        }
        ASSERT_EQ(reported, expected) << "iteration " << i << ", " << datagram.size() << " bytes";

        for (const auto slot : reported) {
            for (const auto kind : {SearchKind::Basic, SearchKind::Extended}) {
                const auto entry = DevInfoFromRecord(datagram, slot, kind);
                const auto broken = checkEntry(datagram, slot, kind, entry);
                ASSERT_EQ(broken, "") << "iteration " << i << ", slot " << slot;
                ++entriesSeen;
                if (i % 64 == 0) {
                    table.Store(entry);
                }
            }
        }
        ASSERT_EQ(ParseDhcpReply(datagram).has_value(), datagram.size() >= DHCP_REPLY_SIZE);
        if (i % 4096 == 0) {
            table.Clear();
        }
    }
    // The source must actually have produced records, or nothing was tested.
    EXPECT_GT(entriesSeen, static_cast<std::size_t>(ITERATIONS));
    RecordProperty("entries", static_cast<int>(entriesSeen));
    for (const auto& e : table.Entries()) {
        EXPECT_LE(e.mac.size(), record::ADDRESS_WIDTH);
    }
}

}  // namespace
}  // namespace quillon

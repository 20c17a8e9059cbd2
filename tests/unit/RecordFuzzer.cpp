// libFuzzer entry for the readers of what devices send: the slot rule, the
// record reader, the DHCP reply and the address conversions. Built only with
// clang and QUILLON_BUILD_FUZZER; run by hand, e.g.
//   quillon_record_fuzzer -max_len=8192 -max_total_time=60
// Any broken invariant aborts, so the fuzzer keeps the input that did it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "discovery/DevInfo.h"
#include "net/AddressText.h"
#include "net/DeviceRecord.h"
#include "net/FrameHeader.h"
#include "net/NetAddressBlock.h"

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillon;
    const std::span<const std::uint8_t> datagram(data, size);

    std::size_t previous = 0;
    bool first = true;
    ForEachRecordSlot(datagram, [&](std::size_t slot) {
        require(slot % DEVICE_RECORD_SIZE == 0 && slot + DEVICE_RECORD_SIZE <= size);
        require(first || slot > previous);
        require(StartsWithMagic(datagram.subspan(slot)));
        first = false;
        previous = slot;
        for (const auto kind : {SearchKind::Basic, SearchKind::Extended}) {
            const DevInfo d = DevInfoFromRecord(datagram, slot, kind);
            require(d.name.size() <= record::NAME_WIDTH);
            require(d.swVersion.size() <= record::SW_VERSION_WIDTH);
            for (const auto* text : {&d.ip, &d.gateway, &d.subnetMask, &d.mac}) {
                require(text->size() <= record::ADDRESS_WIDTH);
            }
            require(d.deviceId.size() <= DEVICE_ID_SIZE);
            require(kind == SearchKind::Extended || d.deviceId.empty());
            require(d.netStateValid || (!d.dhcpOn && !d.wirelessOn && d.dhcpText == "--"));
        }
    });

    require(ParseDhcpReply(datagram).has_value() == (size >= DHCP_REPLY_SIZE));
    require(FrameHeader::Decode(datagram).has_value() == (size >= FRAME_HEADER_SIZE));

    // The same bytes as an address text, into destinations with guard bytes.
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)ParseHex(text);
    for (const int count : {4, 6}) {
        std::array<std::uint8_t, 10> guarded{};
        guarded.fill(0xEE);
        TextToBytes(std::span(guarded).subspan(2, static_cast<std::size_t>(count)), count, text);
        require(guarded[0] == 0xEE && guarded[1] == 0xEE);
        for (std::size_t i = 2 + static_cast<std::size_t>(count); i < guarded.size(); ++i) {
            require(guarded[i] == 0xEE);
        }
        require(BytesToText(std::span(guarded).subspan(2), count).size() <= 17);
    }
    return 0;
}

// How fast replies turn into device entries: the slot rule and the record
// reader over a full basic-search datagram and over one extended reply.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

#include "discovery/DevInfo.h"
#include "discovery/SearchResultTable.h"
#include "net/DeviceRecord.h"
#include "net/FrameHeader.h"

namespace {

using namespace quillon;

void putText(std::vector<std::uint8_t>& d, std::size_t at, std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        d[at + i] = static_cast<std::uint8_t>(text[i]);
    }
}

// A reply as a device sends it: realistic texts and numbers, each record
// with its own MAC.
std::vector<std::uint8_t> replyDatagram(std::size_t records, bool withDeviceId) {
    std::vector<std::uint8_t> d(records * DEVICE_RECORD_SIZE + (withDeviceId ? DEVICE_ID_SIZE : 0));
    for (std::size_t k = 0; k < records; ++k) {
        const std::size_t at = k * DEVICE_RECORD_SIZE;
        const auto header = FrameHeader{.command = CMD_NETWORK}.Encode();
        std::copy(header.begin(), header.end(), d.begin() + static_cast<std::ptrdiff_t>(at));
        char mac[20];
        std::snprintf(mac, sizeof mac, "00:1A:2B:3C:%02X:%02X", unsigned(k >> 8), unsigned(k));
        putText(d, at + record::NAME, "Warehouse camera, north gate");
        putText(d, at + record::SW_VERSION, "V4.2.1 build 180412");
        putText(d, at + record::IP, "192.168.1.64");
        putText(d, at + record::GATEWAY, "192.168.1.1");
        putText(d, at + record::SUBNET_MASK, "255.255.255.0");
        putText(d, at + record::MAC, mac);
        d[at + record::VIDEO_COUNT] = 16;
        d[at + record::CAPABILITY_BITS] = 0x22;
        d[at + record::NET_STATE] = 0x01;
        d[at + record::WEB_PORT] = 0x50;
    }
    if (withDeviceId) {
        putText(d, records * DEVICE_RECORD_SIZE, "NVR0123456789ABC");
    }
    return d;
}

void readAll(benchmark::State& state, const std::vector<std::uint8_t>& datagram, SearchKind kind) {
    std::size_t records = 0;
    for (auto _ : state) {
        records += ForEachRecordSlot(datagram, [&](std::size_t offset) {
            DevInfo entry = DevInfoFromRecord(datagram, offset, kind);
            benchmark::DoNotOptimize(entry);
        });
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(records));
}

// The largest basic reply a worker's 8192-byte buffer holds: 34 records.
void BM_ReadBasicDatagram34Records(benchmark::State& state) {
    readAll(state, replyDatagram(34, false), SearchKind::Basic);
}
BENCHMARK(BM_ReadBasicDatagram34Records);

void BM_ReadExtendedReply(benchmark::State& state) {
    readAll(state, replyDatagram(1, true), SearchKind::Extended);
}
BENCHMARK(BM_ReadExtendedReply);

// What a worker does per datagram: read each record and store it.
void BM_ReadAndStoreBasicDatagram34Records(benchmark::State& state) {
    const auto datagram = replyDatagram(34, false);
    SearchResultTable table;
    std::size_t records = 0;
    for (auto _ : state) {
        records += ForEachRecordSlot(datagram, [&](std::size_t offset) {
            table.Store(DevInfoFromRecord(datagram, offset, SearchKind::Basic));
        });
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(records));
}
BENCHMARK(BM_ReadAndStoreBasicDatagram34Records);

}  // namespace

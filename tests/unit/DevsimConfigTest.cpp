// The simulator is the other end of every lab test: if it builds a record
// wrongly, or takes a bad configuration silently, the search is tested against
// the wrong thing. Records are read back through the search's own reader.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include <unistd.h>

#include "DatagramLog.h"
#include "DevsimConfig.h"
#include "RecordWriter.h"
#include "ReplyPlanner.h"
#include "discovery/DevInfo.h"
#include "net/DeviceRecord.h"
#include "net/FrameHeader.h"

namespace quillon::devsim {
namespace {

// Named per process so that runs by other users or side by side (the normal and
// the sanitizer builds) never meet one another's leftovers.
std::string scratchPath(const std::string& stem) {
    return testing::TempDir() + stem + "-" + std::to_string(::getpid());
}

std::vector<std::uint8_t> bytesOf(std::span<const std::uint8_t> s) {
    return {s.begin(), s.end()};
}

// ---- configuration errors -------------------------------------------------

struct BadConfig {
    const char* json;
    const char* expected;  // part of what follows "cfg.json: "
};

TEST(DevsimConfig, EveryMistakeIsNamedWithFileDeviceAndKey) {
    const BadConfig rows[] = {
        {"", "not valid JSON: "},
        {R"({"devices":[{}])", "not valid JSON: parse error at line 1"},
        {"[]", "the top level must be an object, not an array"},
        {R"({"device":[]})", R"(unknown key "device")"},
        {R"({"devices":{}})", R"(key "devices": must be an array, not an object)"},
        {R"({"devices":[{},7]})", "device 2: must be an object, not 7"},
        {R"({"devices":[{},{},{"webPort":70000}]})",
         R"(device 3: key "webPort": 70000 is out of range 0..65535)"},
        {R"({"devices":[{"webPort":-1}]})", R"(key "webPort": -1 is out of range 0..65535)"},
        {R"({"devices":[{"videoPort":18446744073709551615}]})",
         R"(key "videoPort": 18446744073709551615 is out of range)"},
        {R"({"devices":[{"phonePort":"80"}]})",
         R"(key "phonePort": must be an integer, not a string)"},
        {R"({"devices":[{"webPort":80.5}]})", R"(key "webPort": must be an integer, not 80.5)"},
        {R"({"devices":[{"videoCount":-129}]})", "-129 is out of range -128..255"},
        {R"({"devices":[{"storage":256}]})", "256 is out of range -128..255"},
        {R"({"devices":[{"capabilityBits":-1}]})", "-1 is out of range 0..255"},
        {R"({"devices":[{"netState":true}]})", "must be an integer, not a boolean"},
        {R"({"devices":[{"name":5}]})", R"(key "name": must be a string, not 5)"},
        {R"({"devices":[{"mac":null}]})", R"(key "mac": must be a string, not null)"},
        {R"({"devices":[{"webport":80}]})", R"(device 1: unknown key "webport")"},
        {R"({"devices":[{"answers":"all"}]})",
         R"(key "answers": must be "both", "basic" or "extended", not "all")"},
        {R"({"devices":[{"repeat":101}]})", R"(key "repeat": 101 is out of range 0..100)"},
        {R"({"modes":["burst","fast"]})", R"(key "modes": unknown mode "fast")"},
        {R"({"modes":"burst"})", R"(key "modes": must be an array of mode names, not a string)"},
    };
    for (const BadConfig& row : rows) {
        SCOPED_TRACE(row.json);
        const ConfigLoad load = parseConfig(row.json, "cfg.json");
        EXPECT_FALSE(load.config);
        EXPECT_EQ(load.error.rfind("cfg.json: ", 0), 0u) << load.error;
        EXPECT_NE(load.error.find(row.expected), std::string::npos) << load.error;
        EXPECT_EQ(load.error.find('\n'), std::string::npos) << "one line only";
    }
}

TEST(DevsimConfig, UnreadableFileIsNamed) {
    const std::string missing = scratchPath("devsim-no-such-file.json");
    const ConfigLoad load = loadConfigFile(missing);
    EXPECT_FALSE(load.config);
    EXPECT_EQ(load.error.rfind(missing + ": cannot be opened: ", 0), 0u) << load.error;

    const ConfigLoad directory = loadConfigFile(testing::TempDir());
    EXPECT_FALSE(directory.config);
    EXPECT_NE(directory.error.find(testing::TempDir()), std::string::npos) << directory.error;
}

TEST(DevsimConfig, FileWithEveryKeyLoads) {
    const std::string path = scratchPath("devsim-config-test.json");
    std::ofstream(path) << R"({"modes": ["burst", "mac-case"], "devices": [
        {"name": "Gate", "ip": "10.0.0.5", "gateway": "10.0.0.1", "subnetMask": "255.0.0.0",
         "mac": "00:1a:2B:3c:4D:5e", "swVersion": "V1", "deviceId": "ID1",
         "videoCount": -1, "audioCount": 255, "alarmInCount": -128, "alarmOutCount": 0,
         "audioTalk": 1, "storage": 0, "wifiSupport": 1, "capabilityBits": 34, "netState": 3,
         "webPort": 8080, "videoPort": 0, "phonePort": 65535, "answers": "extended",
         "repeat": 0},
        {}]})";
    const ConfigLoad load = loadConfigFile(path);
    std::remove(path.c_str());
    ASSERT_TRUE(load.config) << load.error;
    const DevsimConfig& c = *load.config;
    EXPECT_EQ(c.modes, (SimModes{.burst = true, .macCase = true}));
    ASSERT_EQ(c.devices.size(), 2u);

    const DeviceProfile& d = c.devices[0];
    EXPECT_EQ(d.name, "Gate");
    EXPECT_EQ(d.mac, "00:1a:2B:3c:4D:5e");
    EXPECT_EQ(d.deviceId, "ID1");
    EXPECT_EQ(d.videoCount, 0xFF);  // -1 and 255 are the same byte
    EXPECT_EQ(d.audioCount, 0xFF);
    EXPECT_EQ(d.alarmInCount, 0x80);
    EXPECT_EQ(d.capabilityBits, 34);
    EXPECT_EQ(d.netState, 3);
    EXPECT_EQ(d.phonePort, 65535);
    EXPECT_EQ(d.answers, ProbeAnswers::Extended);
    EXPECT_EQ(d.repeat, 0u);

    // A device given no keys is the second default device, not a copy of the
    // first: two empty objects are two devices.
    const DeviceProfile& empty = c.devices[1];
    EXPECT_EQ(empty.name, "Device-0002");
    EXPECT_EQ(empty.mac, "02:00:01:00:00:02");
    EXPECT_EQ(empty.answers, ProbeAnswers::Both);
    EXPECT_EQ(empty.repeat, 1u);
}

TEST(DevsimConfig, GeneratedDevicesAreDistinctUpToTheLimit) {
    EXPECT_EQ(generatedDevice(1).name, "Camera-0001");
    EXPECT_EQ(generatedDevice(1).mac, "02:00:00:00:00:01");
    EXPECT_EQ(generatedDevice(1).deviceId, "QD00000001");
    EXPECT_EQ(generatedDevice(256).mac, "02:00:00:00:01:00");

    std::set<std::string> names, macs, ips, ids;
    for (std::uint32_t n = 1; n <= MAX_GENERATED_DEVICES; ++n) {
        const DeviceProfile d = generatedDevice(n);
        names.insert(d.name);
        macs.insert(d.mac);
        ips.insert(d.ip);
        ids.insert(d.deviceId);
        // Every text must fit its field whole, or "distinct" would be cut away.
        ASSERT_LT(d.ip.size(), record::ADDRESS_WIDTH);
        ASSERT_LT(d.deviceId.size(), DEVICE_ID_SIZE);
    }
    EXPECT_EQ(names.size(), MAX_GENERATED_DEVICES);
    EXPECT_EQ(macs.size(), MAX_GENERATED_DEVICES);
    EXPECT_EQ(ips.size(), MAX_GENERATED_DEVICES);
    EXPECT_EQ(ids.size(), MAX_GENERATED_DEVICES);
    EXPECT_EQ(generatedDevice(MAX_GENERATED_DEVICES).ip, "192.168.208.89");
}

// ---- record bytes ---------------------------------------------------------

DeviceProfile sampleDevice() {
    DeviceProfile d = generatedDevice(7);
    d.name = "Front door";
    d.mac = "00:1a:2B:3c:4D:5e";
    d.ip = "10.77.1.20";
    d.videoCount = 0x80;
    d.wifiSupport = 1;
    d.capabilityBits = 0x22;
    d.netState = 0x03;
    d.webPort = 8080;
    d.deviceId = "QD12345678";
    return d;
}

TEST(DevsimRecord, HeaderFieldsAndUninterpretedBytes) {
    const Record r = buildRecord(sampleDevice(), CMD_NETWORK, {});
    const std::vector<std::uint8_t> header(r.begin(), r.begin() + 12);
    EXPECT_EQ(header, (std::vector<std::uint8_t>{0x55, 0x55, 0xAA, 0xAA, 0xE4, 0x00, 0x00, 0x00,
                                                 0x00, 0x00, 0x01, 0x90}));
    EXPECT_EQ(r[record::VIDEO_COUNT], 0x80);
    EXPECT_EQ(r[record::WEB_PORT], 0x90);
    EXPECT_EQ(r[record::WEB_PORT + 1], 0x1F);
    for (std::size_t i : {12u, 13u, 14u, 15u, 159u}) {
        EXPECT_EQ(r[i], 0) << "byte " << i;
    }
    EXPECT_TRUE(std::all_of(r.begin() + 80, r.begin() + 112, [](auto b) { return b == 0; }));

    const Record wrong = buildRecord(sampleDevice(), CMD_SEARCH, {.wrongMagic = true});
    EXPECT_EQ(bytesOf(std::span(wrong).first(4)),
              (std::vector<std::uint8_t>{0x55, 0x55, 0xAA, 0xAB}));
    EXPECT_EQ(wrong[10], 0x50);
    EXPECT_FALSE(SlotHasMagic(wrong, 0));
}

TEST(DevsimRecord, SearchReadsBackWhatWasConfigured) {
    const std::vector<std::uint8_t> reply =
        buildExtendedReply(sampleDevice(), CMD_SEARCH, {}, true);
    ASSERT_EQ(reply.size(), EXTENDED_REPLY_SIZE);
    const DevInfo info = DevInfoFromRecord(reply, 0, SearchKind::Extended);
    EXPECT_EQ(info.name, "Front door");
    EXPECT_EQ(info.mac, "00:1a:2B:3c:4D:5e");
    EXPECT_EQ(info.ip, "10.77.1.20");
    EXPECT_EQ(info.gateway, "192.168.0.1");
    EXPECT_EQ(info.swVersion, "V4.02.R11.00000517");
    EXPECT_EQ(info.videoCount, "-128");
    EXPECT_EQ(info.wifiSupport, 1);
    EXPECT_EQ(info.capabilityBits, "34");
    EXPECT_EQ(info.webPort, "8080");
    EXPECT_EQ(info.videoPort, "34567");
    EXPECT_EQ(info.deviceId, "QD12345678");
    EXPECT_EQ(info.dhcpText, "Y");
    EXPECT_EQ(info.wirelessText, "Y");

    const std::vector<std::uint8_t> bare =
        buildExtendedReply(sampleDevice(), CMD_SEARCH, {}, false);
    ASSERT_EQ(bare.size(), DEVICE_RECORD_SIZE);
    EXPECT_EQ(DevInfoFromRecord(bare, 0, SearchKind::Extended).deviceId, "");
}

TEST(DevsimRecord, LongTextsAreCutAndKeepTheirTerminator) {
    DeviceProfile d = sampleDevice();
    d.name = std::string(100, 'n');
    d.mac = std::string(25, 'm');
    d.deviceId = std::string(20, 'i');
    const std::vector<std::uint8_t> r = buildExtendedReply(d, CMD_SEARCH, {}, true);
    EXPECT_EQ(r[record::NAME + record::NAME_WIDTH - 2], 'n');
    EXPECT_EQ(r[record::NAME + record::NAME_WIDTH - 1], 0);
    EXPECT_EQ(r[record::MAC + record::ADDRESS_WIDTH - 1], 0);
    EXPECT_EQ(r[DEVICE_RECORD_SIZE + DEVICE_ID_SIZE - 1], 0);
    EXPECT_EQ(DevInfoFromRecord(r, 0, SearchKind::Extended).deviceId, std::string(15, 'i'));
}

TEST(DevsimRecord, UnterminatedTextsFillTheirFields) {
    DeviceProfile d = sampleDevice();
    d.swVersion = "";
    d.deviceId = "QD1";
    const std::vector<std::uint8_t> r =
        buildExtendedReply(d, CMD_SEARCH, {.unterminated = true}, true);
    const auto field = [&](std::size_t offset, std::size_t width) {
        return std::string(r.begin() + static_cast<std::ptrdiff_t>(offset),
                           r.begin() + static_cast<std::ptrdiff_t>(offset + width));
    };
    EXPECT_EQ(field(record::NAME, record::NAME_WIDTH), "Front door" + std::string(54, 'r'));
    EXPECT_EQ(field(record::SW_VERSION, record::SW_VERSION_WIDTH), std::string(32, 'X'));
    EXPECT_EQ(field(record::IP, record::ADDRESS_WIDTH), "10.77.1.20" + std::string(10, '0'));
    EXPECT_EQ(field(DEVICE_RECORD_SIZE, DEVICE_ID_SIZE), "QD1" + std::string(13, '1'));
    // The reader stops at the field's end, so no text runs into the next.
    const DevInfo info = DevInfoFromRecord(r, 0, SearchKind::Extended);
    EXPECT_EQ(info.name.size(), record::NAME_WIDTH);
    EXPECT_EQ(info.deviceId.size(), DEVICE_ID_SIZE);
}

TEST(DevsimRecord, FlippedMacDiffersOnlyInLetterCase) {
    DeviceProfile d = sampleDevice();
    const Record r = buildRecord(d, CMD_NETWORK, {.flipMacCase = true});
    EXPECT_EQ(DevInfoFromRecord(r, 0, SearchKind::Basic).mac, "00:1A:2b:3C:4d:5E");
    d.mac = "ab";
    const Record padded = buildRecord(d, CMD_NETWORK, {.unterminated = true, .flipMacCase = true});
    EXPECT_EQ(DevInfoFromRecord(padded, 0, SearchKind::Basic).mac, "AB" + std::string(18, 'B'));
}

// ---- replies --------------------------------------------------------------

DevsimConfig generated(std::uint32_t count, SimModes modes = {}) {
    DevsimConfig c;
    for (std::uint32_t n = 1; n <= count; ++n) {
        c.devices.push_back(generatedDevice(n));
    }
    c.modes = modes;
    return c;
}

std::vector<std::uint8_t> probe(std::uint16_t command, std::uint8_t subCommand = 0) {
    const auto h = FrameHeader{.subCommand = subCommand, .command = command}.Encode();
    return {h.begin(), h.end()};
}

// What the search makes of the replies: every record it would store, in order.
std::vector<DevInfo> searchView(const std::vector<Datagram>& replies, SearchKind kind) {
    std::vector<DevInfo> seen;
    for (const Datagram& d : replies) {
        ForEachRecordSlot(
            d, [&](std::size_t offset) { seen.push_back(DevInfoFromRecord(d, offset, kind)); });
    }
    return seen;
}

std::vector<std::size_t> sizesOf(const std::vector<Datagram>& replies) {
    std::vector<std::size_t> sizes;
    for (const Datagram& d : replies) {
        sizes.push_back(d.size());
    }
    return sizes;
}

TEST(DevsimReplies, BasicRepliesPackWholeRecordsIntoTheSearchBuffer) {
    ReplyPlanner planner(generated(1000));
    const auto replies = planner.respond(BasicSearchProbe());
    ASSERT_EQ(replies.size(), 30u);  // 29 of 34 records and one of 14
    for (const Datagram& d : replies) {
        EXPECT_LE(d.size(), MAX_REPLY_DATAGRAM);
        EXPECT_EQ(d.size() % DEVICE_RECORD_SIZE, 0u);
    }
    EXPECT_EQ(replies.back().size(), 14 * DEVICE_RECORD_SIZE);
    const auto seen = searchView(replies, SearchKind::Basic);
    ASSERT_EQ(seen.size(), 1000u);
    EXPECT_EQ(seen.front().mac, "02:00:00:00:00:01");
    EXPECT_EQ(seen.back().name, "Camera-1000");
    EXPECT_EQ(replies[0][10], 0x01);  // the probe's command, 0x9001
    EXPECT_EQ(replies[0][11], 0x90);
}

TEST(DevsimReplies, ExtendedRepliesAreOnePerDevice) {
    ReplyPlanner planner(generated(3));
    const auto replies = planner.respond(ExtendedSearchProbe());
    EXPECT_EQ(sizesOf(replies), (std::vector<std::size_t>{256, 256, 256}));
    const auto seen = searchView(replies, SearchKind::Extended);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[2].deviceId, "QD00000003");
    EXPECT_EQ(replies[0][10], 0x50);

    ReplyPlanner bare(generated(2, {.extended240 = true}));
    EXPECT_EQ(sizesOf(bare.respond(ExtendedSearchProbe())), (std::vector<std::size_t>{240, 240}));
}

TEST(DevsimReplies, AnythingButAProbeGetsNoReply) {
    ReplyPlanner planner(generated(3));
    auto wrongMagic = probe(CMD_NETWORK);
    wrongMagic[3] = 0xAB;
    auto cutShort = probe(CMD_NETWORK);
    cutShort.pop_back();
    const std::vector<std::vector<std::uint8_t>> ignored = {
        {},
        cutShort,
        wrongMagic,
        probe(0x9002),
        probe(CMD_SEARCH, 1),
        probe(CMD_NETWORK, NET_SET_ADDRESS),
        probe(CMD_WIFI_GET_SETTINGS),
    };
    for (const auto& datagram : ignored) {
        EXPECT_TRUE(planner.respond(datagram).empty()) << datagram.size() << " bytes";
    }
}

TEST(DevsimReplies, EachDeviceAnswersWhatAndAsOftenAsConfigured) {
    DevsimConfig c = generated(3);
    c.devices[0].answers = ProbeAnswers::Basic;
    c.devices[1].answers = ProbeAnswers::Extended;
    c.devices[1].repeat = 2;
    c.devices[2].repeat = 0;
    ReplyPlanner planner(c);

    // A second answer is a datagram of its own, as a device answering twice sends.
    const auto basic = planner.respond(BasicSearchProbe());
    EXPECT_EQ(sizesOf(basic), (std::vector<std::size_t>{240}));
    EXPECT_EQ(searchView(basic, SearchKind::Basic)[0].name, "Camera-0001");

    const auto extended = searchView(planner.respond(ExtendedSearchProbe()), SearchKind::Extended);
    ASSERT_EQ(extended.size(), 2u);
    EXPECT_EQ(extended[0].name, "Camera-0002");
    EXPECT_EQ(extended[1].name, "Camera-0002");
}

TEST(DevsimReplies, WrongMagicTakesASlotTheSearchSkips) {
    ReplyPlanner planner(generated(40, {.wrongMagic = true}));
    const auto basic = planner.respond(BasicSearchProbe());
    ASSERT_EQ(basic.size(), 2u);  // 33 real records to a datagram
    EXPECT_EQ(basic[0].size(), MAX_REPLY_DATAGRAM - MAX_REPLY_DATAGRAM % DEVICE_RECORD_SIZE);
    EXPECT_EQ(basic[1].size(), 8 * DEVICE_RECORD_SIZE);
    for (const Datagram& d : basic) {
        EXPECT_EQ(d[3], 0xAB);
    }
    EXPECT_EQ(searchView(basic, SearchKind::Basic).size(), 40u);

    const auto extended = planner.respond(ExtendedSearchProbe());
    ASSERT_EQ(extended.size(), 80u);
    EXPECT_EQ(extended[0].size(), EXTENDED_REPLY_SIZE);
    EXPECT_EQ(extended[0][3], 0xAB);
    EXPECT_EQ(extended[1][3], 0xAA);
    EXPECT_EQ(searchView(extended, SearchKind::Extended).size(), 40u);
}

TEST(DevsimReplies, ShortDatagramsComeFirstAndFormNoRecord) {
    ReplyPlanner planner(generated(2, {.shortReplies = true}));
    for (const auto& p : {BasicSearchProbe(), ExtendedSearchProbe()}) {
        const auto replies = planner.respond(p);
        ASSERT_GE(replies.size(), 3u);
        EXPECT_EQ(replies[0].size(), DEVICE_RECORD_SIZE - 1);
        EXPECT_EQ(replies[1].size(), FRAME_HEADER_SIZE);
        EXPECT_TRUE(StartsWithMagic(replies[0]));
        EXPECT_TRUE(std::equal(replies[0].begin(), replies[0].end(), replies[2].begin()));
        EXPECT_EQ(searchView(replies, SearchKind::Basic).size(), 2u);
    }

    // Without a real reply there is nothing to cut the short ones from.
    ReplyPlanner silent(generated(0, {.shortReplies = true}));
    EXPECT_TRUE(silent.respond(BasicSearchProbe()).empty());
}

TEST(DevsimReplies, MacCaseSendsEveryDeviceAgainInTheOtherCase) {
    DevsimConfig c = generated(2, {.macCase = true});
    c.devices[0].mac = "aa:bb:cc:00:00:01";
    c.devices[1].repeat = 0;
    ReplyPlanner planner(c);
    const auto basic = searchView(planner.respond(BasicSearchProbe()), SearchKind::Basic);
    ASSERT_EQ(basic.size(), 2u);
    EXPECT_EQ(basic[0].mac, "aa:bb:cc:00:00:01");
    EXPECT_EQ(basic[1].mac, "AA:BB:CC:00:00:01");
    const auto extended = searchView(planner.respond(ExtendedSearchProbe()), SearchKind::Extended);
    ASSERT_EQ(extended.size(), 2u);
    EXPECT_EQ(extended[1].mac, "AA:BB:CC:00:00:01");
    EXPECT_EQ(extended[1].deviceId, "QD00000001");
}

// ---- log ------------------------------------------------------------------

TEST(DevsimLog, LinesAsTestsParseThem) {
    EXPECT_EQ(DatagramLog::receivedLine("10.77.1.1", 10042, BasicSearchProbe()),
              "recv 10.77.1.1:10042 12 55 55 AA AA 00 00 00 00 00 00 01 90");
    EXPECT_EQ(DatagramLog::receivedLine("10.77.1.1", 1, {}), "recv 10.77.1.1:1 0");
    EXPECT_EQ(DatagramLog::sentLine("10.77.2.1", 10099, 8160), "sent 10.77.2.1:10099 8160");

    const std::string path = scratchPath("devsim-log-test.log");
    std::remove(path.c_str());
    {
        DatagramLog log;
        std::string error;
        ASSERT_TRUE(log.open(path, error)) << error;
        log.received("10.0.0.1", 5, std::vector<std::uint8_t>{0x0F, 0xA0});
        log.sent("10.0.0.1", 5, 240);
    }
    std::ifstream in(path);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(path.c_str());
    EXPECT_EQ(all, "recv 10.0.0.1:5 2 0F A0\nsent 10.0.0.1:5 240\n");

    DatagramLog unopened;
    std::string error;
    EXPECT_FALSE(unopened.open(testing::TempDir() + "no-such-dir/x.log", error));
    EXPECT_NE(error.find("no-such-dir/x.log"), std::string::npos);
}

}  // namespace
}  // namespace quillon::devsim

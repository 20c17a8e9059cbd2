// The wireless records at their wire offsets, the key scrambling against
// known-good bytes, and the join dialog's and network list's rules.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "net/AddressText.h"
#include "net/FieldScrambling.h"
#include "net/WifiJoinRecord.h"
#include "net/WifiNetworkList.h"
#include "net/WifiNetworkRecord.h"
#include "net/WifiSettingsBlock.h"

namespace quillon {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(std::string_view text) {
    return {text.begin(), text.end()};
}

// A block whose every byte differs from its neighbours, so a field read or
// written one byte off shows.
WifiSettingsBlock patternedBlock() {
    WifiSettingsBlock block;
    auto bytes = block.bytes();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    return block;
}

TEST(WifiSettingsBlock, FieldsSitAtTheirOffsetsAndEveryOtherByteStays) {
    WifiSettingsBlock block = patternedBlock();
    const WifiSettingsBlock before = block;

    block.setWifiEnabled(1);
    block.setDhcpEnabled(0);
    TextToBytes(block.ip(), 4, "192.168.1.10");
    TextToBytes(block.subnetMask(), 4, "255.255.255.0");
    TextToBytes(block.gateway(), 4, "192.168.1.1");
    TextToBytes(block.mac(), 6, "00:1A:2B:3C:4D:5E");
    TextToBytes(block.dnsPrimary(), 4, "8.8.8.8");
    TextToBytes(block.dnsSecondary(), 4, "9.9.9.9");
    block.setFlags(block.flags() | WIFI_SUBMIT_FLAG);

    const auto b = block.bytes();
    EXPECT_EQ(b[536], 1);
    EXPECT_EQ(b[537], 0);
    EXPECT_EQ(Bytes(b.begin() + 538, b.begin() + 542), (Bytes{0xC0, 0xA8, 0x01, 0x0A}));
    EXPECT_EQ(Bytes(b.begin() + 542, b.begin() + 546), (Bytes{0xFF, 0xFF, 0xFF, 0x00}));
    EXPECT_EQ(Bytes(b.begin() + 546, b.begin() + 550), (Bytes{0xC0, 0xA8, 0x01, 0x01}));
    EXPECT_EQ(Bytes(b.begin() + 550, b.begin() + 556), (Bytes{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}));
    EXPECT_EQ(Bytes(b.begin() + 556, b.begin() + 560), (Bytes{8, 8, 8, 8}));
    EXPECT_EQ(Bytes(b.begin() + 560, b.begin() + 564), (Bytes{9, 9, 9, 9}));
    // flags is little-endian at 636: bit 0x400 is bit 2 of byte 637.
    const auto old = before.bytes();
    EXPECT_EQ(b[636], old[636]);
    EXPECT_EQ(b[637], old[637] | 0x04);
    EXPECT_EQ(b[638], old[638]);
    EXPECT_EQ(b[639], old[639]);

    for (std::size_t i = 0; i < WIFI_SETTINGS_SIZE; ++i) {
        const bool interpreted = (i >= 536 && i < 564) || (i >= 636 && i < 640);
        if (!interpreted) {
            ASSERT_EQ(b[i], old[i]) << "byte " << i << " is not ours to change";
        }
    }
    EXPECT_EQ(BytesToText(block.mac(), 6), "00:1A:2B:3C:4D:5E");
    EXPECT_EQ(BytesToText(block.ip(), 4), "192.168.1.10");
}

TEST(WifiSettingsBlock, AReplyOverwritesOnlyTheBytesItCarries) {
    WifiSettingsBlock block = patternedBlock();
    const WifiSettingsBlock before = block;

    EXPECT_EQ(block.assignLeading({}), 0u);
    EXPECT_EQ(block.bytes()[0], before.bytes()[0]);

    const Bytes shortReply(600, 0xEE);
    EXPECT_EQ(block.assignLeading(shortReply), 600u);
    EXPECT_EQ(block.bytes()[599], 0xEE);
    EXPECT_EQ(block.bytes()[600], before.bytes()[600]);
    EXPECT_EQ(block.bytes()[WIFI_SETTINGS_SIZE - 1], before.bytes()[WIFI_SETTINGS_SIZE - 1]);

    const Bytes longReply(WIFI_SETTINGS_SIZE + 100, 0x11);
    EXPECT_EQ(block.assignLeading(longReply), WIFI_SETTINGS_SIZE);
    EXPECT_EQ(block.bytes()[WIFI_SETTINGS_SIZE - 1], 0x11);
}

TEST(WifiNetworkRecord, FieldsSitAtTheirOffsets) {
    WifiNetworkRecord::Bytes wire{};
    const std::string name = "Office";
    const std::string key = "secret";
    std::copy(name.begin(), name.end(), wire.begin());
    std::copy(key.begin(), key.end(), wire.begin() + 32);
    wire[64] = 0x5A;
    wire[65] = AUTH_WPA2_PSK;
    wire[66] = 2;
    wire[67] = 200;
    wire[68] = 1;
    wire[69] = 1;
    wire[70] = 0x70;
    wire[71] = 0x71;

    WifiNetworkRecord record(wire);
    EXPECT_EQ(record.ssid(), "Office");
    EXPECT_EQ(record.key(), "secret");
    EXPECT_EQ(record.authMode(), 4);
    EXPECT_EQ(record.wepKeyIndex(), 2);
    EXPECT_EQ(record.signal(), 200);
    EXPECT_EQ(record.connected(), 1);
    EXPECT_EQ(record.keyFormat(), 1);

    record.setSignal(7);
    record.setConnected(0);
    EXPECT_EQ(record.bytes()[67], 7);
    EXPECT_EQ(record.bytes()[68], 0);
    EXPECT_EQ(record.bytes()[64], 0x5A) << "uninterpreted bytes travel unchanged";
    EXPECT_EQ(record.bytes()[70], 0x70);
    EXPECT_EQ(record.bytes()[71], 0x71);
}

TEST(WifiNetworkRecord, TextsThatFillTheirFieldStopAtItsEnd) {
    WifiNetworkRecord::Bytes wire{};
    std::fill(wire.begin(), wire.begin() + 64, 'N');  // no NUL in ssid or key
    std::fill(wire.begin() + 32, wire.begin() + 64, 'K');
    const WifiNetworkRecord record(wire);
    EXPECT_EQ(record.ssid(), std::string(32, 'N'));
    EXPECT_EQ(record.key(), std::string(32, 'K'));
}

TEST(WifiNetworkRecord, AListReplyGivesItsWholeRecordsUpToAHundred) {
    struct Case {
        std::size_t replyBytes;
        std::size_t records;
    };
    for (const Case c : {Case{0, 0}, Case{71, 0}, Case{72, 1}, Case{144, 2}, Case{150, 2},
                         Case{7200, 100}, Case{7272, 100}, Case{100000, 100}}) {
        Bytes reply(c.replyBytes);
        for (std::size_t i = 0; i < reply.size(); ++i) {
            reply[i] = static_cast<std::uint8_t>(i / 72);  // each record's bytes its index
        }
        const auto records = ParseNetworkList(reply);
        ASSERT_EQ(records.size(), c.records) << c.replyBytes << " bytes";
        for (std::size_t k = 0; k < records.size(); ++k) {
            EXPECT_EQ(records[k].bytes()[0], static_cast<std::uint8_t>(k));
            EXPECT_EQ(records[k].bytes()[71], static_cast<std::uint8_t>(k));
        }
    }
}

// Known-good scrambled bytes: out[i] = ((in[i] + A[i%13]) & FF) ^ X[i%15] ^ K[i%13].
TEST(FieldScrambling, MatchesKnownBytesAcrossBothWrapPoints) {
    std::array<std::uint8_t, 32> field{};
    const std::string plain = "0123456789abcdef";  // 16: past position 13 and 15
    std::copy(plain.begin(), plain.end(), field.begin());
    std::fill(field.begin() + 17, field.end(), 0xA5);  // after the NUL: not text

    ScrambleField(field);
    const Bytes expected{0xD0, 0xF1, 0xE3, 0xD6, 0x60, 0xBE, 0xA2, 0xA0,
                         0xA2, 0xC3, 0xDA, 0x96, 0x99, 0xCF, 0xC1, 0x91};
    EXPECT_EQ(Bytes(field.begin(), field.begin() + 16), expected);
    EXPECT_EQ(field[16], 0) << "the terminating NUL stays";
    EXPECT_TRUE(std::all_of(field.begin() + 17, field.end(), [](auto b) { return b == 0xA5; }))
        << "bytes after the NUL stay";

    UnscrambleField(field);
    EXPECT_EQ(std::string(field.begin(), field.begin() + 16), plain);
    EXPECT_EQ(field[16], 0);
}

TEST(FieldScrambling, AFieldWithoutNulIsScrambledToItsEndAndNoFurther) {
    std::array<std::uint8_t, 40> buffer{};
    std::fill(buffer.begin(), buffer.end(), 'A');
    const auto field = std::span(buffer).first(32);
    ScrambleField(field);
    const Bytes expected32{0xE3, 0xE1, 0xF4, 0xE4, 0x7F, 0xAA, 0xB5, 0xAE, 0xB5, 0xFB, 0x3A,
                           0x79, 0x7F, 0xB0, 0xAD, 0xFA, 0xE7, 0x22, 0xE5, 0xEB, 0xE8, 0xB7,
                           0xA2, 0x79, 0x2C, 0x30, 0xE5, 0xE2, 0xA9, 0xAB, 0x2C, 0xE6};
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 32), expected32);
    EXPECT_TRUE(std::all_of(buffer.begin() + 32, buffer.end(), [](auto b) { return b == 'A'; }));
    UnscrambleField(field);
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](auto b) { return b == 'A'; }));
}

TEST(FieldScrambling, EmptyTextAndScrambledZeroEdges) {
    std::array<std::uint8_t, 8> empty{0, 1, 2, 3, 4, 5, 6, 7};
    const auto before = empty;
    ScrambleField(empty);
    EXPECT_EQ(empty, before);
    UnscrambleField(empty);
    EXPECT_EQ(empty, before);
    ScrambleField({});

    // 0x07 at position 10 scrambles to 0, so unscrambling stops there and
    // leaves position 10 on as it stands.
    std::array<std::uint8_t, 32> field{};
    const std::string plain = std::string("abcdefghij") + '\x07' + "klm";
    std::copy(plain.begin(), plain.end(), field.begin());
    ScrambleField(field);
    EXPECT_EQ(field[10], 0);
    const auto scrambled = field;
    UnscrambleField(field);
    EXPECT_EQ(std::string(field.begin(), field.begin() + 10), "abcdefghij");
    EXPECT_TRUE(std::equal(field.begin() + 10, field.end(), scrambled.begin() + 10));

    // The same text always gives the same bytes.
    std::array<std::uint8_t, 4> a{'a', 0, 0, 0};
    std::array<std::uint8_t, 4> b{'a', 0, 0, 0};
    ScrambleField(a);
    ScrambleField(b);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a[0], 0x83);
}

TEST(FieldScrambling, RoundTripsEveryByteValueAtEveryPosition) {
    for (int value = 1; value < 256; ++value) {
        std::array<std::uint8_t, 33> field{};
        std::fill(field.begin(), field.begin() + 32, static_cast<std::uint8_t>(value));
        ScrambleField(field);
        if (std::find(field.begin(), field.begin() + 32, 0) != field.begin() + 32) {
            continue;  // a scrambled 0 ends the text: covered above
        }
        UnscrambleField(field);
        for (std::size_t i = 0; i < 32; ++i) {
            ASSERT_EQ(field[i], value) << "position " << i;
        }
    }
}

TEST(WifiJoinRecord, ListsMapToTheirWireValuesAndBack) {
    const std::array<std::uint8_t, 5> wire{0, 1, 2, 4, 6};
    for (int p = 0; p < 5; ++p) {
        EXPECT_EQ(AuthModeAt(p), wire[static_cast<std::size_t>(p)]);
        EXPECT_EQ(AuthModePosition(wire[static_cast<std::size_t>(p)]), p);
    }
    EXPECT_EQ(AuthModePosition(3), 0);
    EXPECT_EQ(AuthModePosition(0xFF), 0);
    EXPECT_EQ(AuthModeAt(-1), AUTH_NONE);
    EXPECT_EQ(AuthModeAt(5), AUTH_NONE);
}

TEST(WifiJoinRecord, AddModeTrimsTheNameAndZeroFillsBehindIt) {
    WifiNetworkRecord record;
    ASSERT_TRUE(BuildJoinRecord(record, {.name = "  My net ",
                                         .key = "",
                                         .authPosition = 3,
                                         .wepPosition = NO_SELECTION,
                                         .keyFormatPosition = 0}));
    EXPECT_EQ(Bytes(record.bytes().begin(), record.bytes().begin() + 7),
              bytesOf(std::string_view("My net\0", 7)));
    EXPECT_TRUE(std::all_of(record.ssidField().begin() + 6, record.ssidField().end(),
                            [](auto b) { return b == 0; }));
    EXPECT_EQ(record.authMode(), AUTH_WPA2_PSK);
    EXPECT_EQ(record.wepKeyIndex(), 0xFF);
    EXPECT_EQ(record.keyFormat(), 0);

    // WEP chosen (slot 1 selected), then WPA: the slot stays selected, disabled.
    const WepSlotState wep = WepSlotAfterAuthChange(1, NO_SELECTION);
    EXPECT_EQ(wep.position, 0);
    EXPECT_TRUE(wep.enabled);
    const WepSlotState wpa = WepSlotAfterAuthChange(2, wep.position);
    EXPECT_EQ(wpa.position, 0);
    EXPECT_FALSE(wpa.enabled);
    ASSERT_TRUE(BuildJoinRecord(record, {.name = "x",
                                         .key = "k",
                                         .authPosition = 2,
                                         .wepPosition = wpa.position,
                                         .keyFormatPosition = 1}));
    EXPECT_EQ(record.authMode(), AUTH_WPA_PSK);
    EXPECT_EQ(record.wepKeyIndex(), 0);
    EXPECT_EQ(record.keyFormat(), 1);
}

TEST(WifiJoinRecord, BlankNamesAreRefusedAndLeaveTheRecordAlone) {
    WifiNetworkRecord record;
    record.bytes().fill(0x33);
    const auto before = record;
    for (const char* name : {"", " ", "     "}) {
        EXPECT_FALSE(BuildJoinRecord(record, {.name = name, .key = "password"})) << '"' << name;
        EXPECT_EQ(record, before);
    }
    EXPECT_EQ(TrimBlanks("\tx\t"), "\tx\t") << "only the space character is a blank";
    EXPECT_EQ(TrimBlanks("  a b  "), "a b");
}

TEST(WifiJoinRecord, JoinModeKeepsTheListedFieldsAndClearsBehindATypedKey) {
    WifiNetworkRecord listed;
    const std::string name = "Listed";
    std::copy(name.begin(), name.end(), listed.ssidField().begin());
    std::fill(listed.keyField().begin(), listed.keyField().end(), 'Z');  // a 32-byte listed key
    listed.setAuthMode(AUTH_WEP);
    listed.setWepKeyIndex(7);
    listed.setKeyFormat(1);
    listed.setSignal(90);

    const JoinDialogView view = JoinDialogInitialView(listed, false);
    EXPECT_EQ(view.name, "Listed");
    EXPECT_EQ(view.authPosition, 1);
    EXPECT_EQ(view.wepPosition, NO_SELECTION) << "slot 7 is outside the list";
    EXPECT_EQ(view.keyFormatPosition, 1);
    EXPECT_FALSE(view.nameEnabled);
    EXPECT_FALSE(view.authEnabled);
    EXPECT_FALSE(view.wepEnabled);
    EXPECT_TRUE(view.keyFormatEnabled) << "a WEP network's key format can change";
    EXPECT_TRUE(view.keyEnabled);

    WifiNetworkRecord record = listed;
    ASSERT_TRUE(BuildJoinRecord(record, {.name = view.name,
                                         .key = "abc",
                                         .authPosition = view.authPosition,
                                         .wepPosition = view.wepPosition,
                                         .keyFormatPosition = view.keyFormatPosition}));
    EXPECT_EQ(record.key(), "abc");
    EXPECT_TRUE(std::all_of(record.keyField().begin() + 3, record.keyField().end(), [](auto b) {
        return b == 0;
    })) << "no tail of the listed key after the new one";
    EXPECT_EQ(record.wepKeyIndex(), 0xFF);
    EXPECT_EQ(record.signal(), 90);

    // An empty key leaves the listed one; an unknown mode shows and writes 0.
    WifiNetworkRecord open = listed;
    open.setAuthMode(3);
    const JoinDialogView openView = JoinDialogInitialView(open, false);
    EXPECT_EQ(openView.authPosition, 0);
    EXPECT_FALSE(openView.keyFormatEnabled);
    EXPECT_TRUE(openView.keyEnabled) << "mode 3 is nonzero, so the key is enabled";
    ASSERT_TRUE(BuildJoinRecord(
        open, {.name = openView.name, .key = "", .authPosition = openView.authPosition}));
    EXPECT_EQ(open.authMode(), 0);
    EXPECT_EQ(open.key(), std::string(32, 'Z'));

    const JoinDialogView addView = JoinDialogInitialView(listed, true);
    EXPECT_TRUE(addView.nameEnabled && addView.authEnabled && addView.keyEnabled);
    EXPECT_FALSE(addView.wepEnabled);
    EXPECT_EQ(addView.wepPosition, NO_SELECTION);
}

TEST(WifiJoinRecord, NamesAndKeysNeverRunPastTheirFieldsWidth) {
    WifiNetworkRecord record;
    const std::string longName(64, 'n');
    const std::string longKey(40, 'k');
    ASSERT_TRUE(BuildJoinRecord(record, {.name = longName, .key = longKey, .authPosition = 2}));
    EXPECT_EQ(record.ssid(), std::string(32, 'n'));
    EXPECT_EQ(record.key(), std::string(16, 'k'));
    EXPECT_EQ(record.authMode(), AUTH_WPA_PSK);
}

WifiNetworkRecord network(const std::string& name, std::uint8_t connected, std::uint8_t signal,
                          std::uint8_t auth = 0) {
    WifiNetworkRecord r;
    std::copy(name.begin(), name.end(), r.ssidField().begin());
    r.setConnected(connected);
    r.setSignal(signal);
    r.setAuthMode(auth);
    return r;
}

TEST(WifiNetworkList, OneRowPerNameConnectedFirstShowingTheLastRecord) {
    std::vector<WifiNetworkRecord> list{network("Cafe", 0, 10), network("Home", 1, 200, 4),
                                        network("Home", 0, 51, 0), network("Attic", 0, 255, 2)};
    const auto rows = FillNetworkRows(list);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (NetworkRow{"Home", "Disconnected", "20%", "Unencrypted"}));
    EXPECT_EQ(rows[1], (NetworkRow{"Cafe", "Disconnected", "3%", "Unencrypted"}));
    EXPECT_EQ(rows[2], (NetworkRow{"Attic", "Disconnected", "100%", "Encrypted"}));
    // The list itself now keeps the connected records first, stably.
    EXPECT_EQ(list[0].signal(), 200);
    EXPECT_EQ(list[1].ssid(), "Cafe");
    EXPECT_EQ(list[2].signal(), 51);

    EXPECT_EQ(SignalPercentText(128), "50%");
    EXPECT_EQ(SignalPercentText(2), "0%");
    std::vector<WifiNetworkRecord> none;
    EXPECT_TRUE(FillNetworkRows(none).empty());
}

TEST(WifiNetworkList, SortKeepsEachGroupsOrderAndTheConnectedOnTop) {
    std::vector<WifiNetworkRecord> list{network("a", 0, 90), network("b", 1, 30),
                                        network("c", 0, 10), network("d", 1, 80)};
    SortNetworks(list, 2, true);
    auto rows = FillNetworkRows(list);
    std::string order;
    for (const auto& r : rows) {
        order += r.name;
    }
    EXPECT_EQ(order, "bdca");
    SortNetworks(list, 2, false);
    rows = FillNetworkRows(list);
    order.clear();
    for (const auto& r : rows) {
        order += r.name;
    }
    EXPECT_EQ(order, "dbac");

    SortNetworks(list, 1, true);
    EXPECT_EQ(FillNetworkRows(list)[0].status, "Connected");
    SortNetworks(list, 0, false);
    EXPECT_EQ(list[0].ssid(), "d");
    const auto before = list;
    SortNetworks(list, 4, true);
    EXPECT_EQ(list, before);
}

}  // namespace
}  // namespace quillon

#include <gtest/gtest.h>

#include "ui/main/DeviceColumns.h"
#include "ui/main/DeviceUrls.h"

namespace quillon {
namespace {

DevInfo sampleDevice() {
    DevInfo entry;
    entry.name = "Lobby NVR";
    entry.wifiSupport = 1;
    entry.ip = "10.77.1.20";
    entry.gateway = "10.77.1.254";
    entry.subnetMask = "255.255.255.0";
    entry.mac = "00:1A:2B:3C:4D:01";
    entry.swVersion = "V4.2.1";
    entry.videoCount = "16";
    entry.audioCount = "4";
    entry.alarmInCount = "-128";
    entry.alarmOutCount = "2";
    entry.audioTalk = "1";
    entry.storage = "0";
    entry.capabilityBits = "32";
    entry.webPort = "80";
    entry.videoPort = "34567";
    entry.phonePort = "34599";
    entry.deviceId = "NVR160001";
    entry.dhcpText = "Y";
    entry.wirelessText = "--";
    return entry;
}

TEST(RowTexts, ColumnsInListOrder) {
    const RowTextArray expected{"Lobby NVR",
                                "NVR160001",
                                "--",
                                "Y",
                                "10.77.1.20",
                                "10.77.1.254",
                                "255.255.255.0",
                                "00:1A:2B:3C:4D:01",
                                "V4.2.1",
                                "16",
                                "4",
                                "-128",
                                "2",
                                "Y",
                                "N",
                                "80",
                                "34567",
                                "34599"};
    EXPECT_EQ(RowTexts(sampleDevice()), expected);
}

TEST(RowTexts, YesOnlyForExactlyOne) {
    for (const char* stored : {"0", "2", "", " 1", "1 ", "01", "Y"}) {
        DevInfo entry;
        entry.audioTalk = stored;
        entry.storage = stored;
        const auto texts = RowTexts(entry);
        EXPECT_EQ(texts[13], "N") << '"' << stored << '"';
        EXPECT_EQ(texts[14], "N") << '"' << stored << '"';
    }
}

TEST(RowTexts, DeviceTextsOfAnyByteShowUnchanged) {
    DevInfo entry;
    entry.name = std::string("\xFF\x80\x01 cam", 7);
    const auto texts = RowTexts(entry);
    EXPECT_EQ(texts[0], entry.name);
    EXPECT_EQ(texts[1], "");  // found only by the basic search
}

TEST(DeviceColumns, TitlesAndWidths) {
    EXPECT_STREQ(DEVICE_COLUMNS[0].title, "Device name");
    EXPECT_EQ(DEVICE_COLUMNS[0].width, 140);
    EXPECT_STREQ(DEVICE_COLUMNS[1].title, "Device ID");
    EXPECT_STREQ(DEVICE_COLUMNS[7].title, "MAC");
    EXPECT_EQ(DEVICE_COLUMNS[7].width, 120);
    EXPECT_STREQ(DEVICE_COLUMNS[17].title, "Phone port");
    EXPECT_EQ(DEVICE_COLUMNS[17].width, 70);
}

TEST(DeviceUrls, DoubleClickAddsPortUnlessExactly80) {
    DevInfo entry;
    entry.ip = "10.0.0.5";
    entry.webPort = "80";
    EXPECT_EQ(DoubleClickUrl(entry), "http://10.0.0.5");
    EXPECT_EQ(OpenUrl(entry), "http://10.0.0.5");
    entry.webPort = "8080";
    EXPECT_EQ(DoubleClickUrl(entry), "http://10.0.0.5:8080");
    EXPECT_EQ(OpenUrl(entry), "http://10.0.0.5");
    entry.webPort = "080";
    EXPECT_EQ(DoubleClickUrl(entry), "http://10.0.0.5:080");
    entry.webPort = "";
    EXPECT_EQ(DoubleClickUrl(entry), "http://10.0.0.5:");
}

}  // namespace
}  // namespace quillon

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/main/DeviceSort.h"

namespace quillon {
namespace {

std::vector<DevInfo> withField(std::string DevInfo::*field, const std::vector<std::string>& texts) {
    std::vector<DevInfo> devices;
    for (const auto& text : texts) {
        DevInfo entry;
        entry.*field = text;
        entry.mac = "mac-" + text;
        devices.push_back(entry);
    }
    return devices;
}

std::vector<std::string> fieldOf(std::string DevInfo::*field, const std::vector<DevInfo>& devices) {
    std::vector<std::string> texts;
    for (const auto& entry : devices) {
        texts.push_back(entry.*field);
    }
    return texts;
}

using Texts = std::vector<std::string>;

TEST(SplitText, KeepsEmptyParts) {
    EXPECT_EQ(SplitText("1..2", '.'), (Texts{"1", "", "2"}));
    EXPECT_EQ(SplitText("1.", '.'), (Texts{"1", ""}));
    EXPECT_EQ(SplitText(".", '.'), (Texts{"", ""}));
    EXPECT_EQ(SplitText("abc", '.'), (Texts{"abc"}));
    EXPECT_EQ(SplitText("", '.'), (Texts{""}));
}

TEST(PadDottedParts, PadsEachPartToWidth) {
    EXPECT_EQ(PadDottedParts("192.168.1.5", ".", 3), "192.168.001.005");
    EXPECT_EQ(PadDottedParts("1.2", ".", 3), "001.002");
    EXPECT_EQ(PadDottedParts("abc", ".", 3), "abc");
    EXPECT_EQ(PadDottedParts("1.", ".", 3), "001.000");
    EXPECT_EQ(PadDottedParts("1234.5", ".", 3), "1234.005");
    EXPECT_EQ(PadDottedParts("", ".", 3), "");
    // Split at the separator's first character, joined with all of it.
    EXPECT_EQ(PadDottedParts("1.2", ".-", 3), "001.-002");
    EXPECT_EQ(PadDottedParts("1.2", "", 3), "1.2");
}

TEST(SortDevices, TextColumnsCompareBytesUnsignedAndNumbersAsText) {
    auto devices = withField(&DevInfo::webPort, {"8080", "80", "554"});
    SortDevices(true, devices, 15);
    EXPECT_EQ(fieldOf(&DevInfo::webPort, devices), (Texts{"554", "80", "8080"}));
    SortDevices(false, devices, 15);
    EXPECT_EQ(fieldOf(&DevInfo::webPort, devices), (Texts{"8080", "80", "554"}));

    // High-bit bytes sort after ASCII; case matters; a prefix sorts first;
    // the empty text first of all.
    auto names = withField(&DevInfo::name, {"\xE9t\xE9", "b", "B", "", "ab", "a"});
    SortDevices(true, names, 0);
    EXPECT_EQ(fieldOf(&DevInfo::name, names), (Texts{"", "B", "a", "ab", "b", "\xE9t\xE9"}));
}

TEST(SortDevices, AddressColumnsOrderByOctet) {
    for (const auto& [column, field] : {std::pair{4, &DevInfo::ip}, std::pair{5, &DevInfo::gateway},
                                        std::pair{6, &DevInfo::subnetMask}}) {
        auto devices = withField(field, {"10.0.0.10", "9.1.1.1", "", "10.0.0.9", "10.1.1.1"});
        SortDevices(true, devices, column);
        EXPECT_EQ(fieldOf(field, devices),
                  (Texts{"", "9.1.1.1", "10.0.0.9", "10.0.0.10", "10.1.1.1"}))
            << "column " << column;
        SortDevices(false, devices, column);
        EXPECT_EQ(fieldOf(field, devices),
                  (Texts{"10.1.1.1", "10.0.0.10", "10.0.0.9", "9.1.1.1", ""}))
            << "column " << column;
    }
}

TEST(SortDevices, OverlongAddressPartStaysUnpadded) {
    auto devices = withField(&DevInfo::ip, {"1.1.1.1", "1000.1.1.1", "999.1.1.1"});
    SortDevices(true, devices, 4);
    // "1000" is compared unpadded against "999" padded: '1' < '9'.
    EXPECT_EQ(fieldOf(&DevInfo::ip, devices), (Texts{"1.1.1.1", "1000.1.1.1", "999.1.1.1"}));
}

TEST(SortDevices, YesNoColumnsSortByStoredText) {
    auto devices = withField(&DevInfo::audioTalk, {"1", "0", "2"});
    SortDevices(true, devices, 13);
    EXPECT_EQ(fieldOf(&DevInfo::audioTalk, devices), (Texts{"0", "1", "2"}));
    auto storage = withField(&DevInfo::storage, {"1", "0"});
    SortDevices(true, storage, 14);
    EXPECT_EQ(fieldOf(&DevInfo::storage, storage), (Texts{"0", "1"}));
}

TEST(SortDevices, EveryColumnSortsByItsOwnField) {
    std::string DevInfo::*const fields[] = {
        &DevInfo::name,          &DevInfo::deviceId,   &DevInfo::wirelessText,
        &DevInfo::dhcpText,      &DevInfo::ip,         &DevInfo::gateway,
        &DevInfo::subnetMask,    &DevInfo::mac,        &DevInfo::swVersion,
        &DevInfo::videoCount,    &DevInfo::audioCount, &DevInfo::alarmInCount,
        &DevInfo::alarmOutCount, &DevInfo::audioTalk,  &DevInfo::storage,
        &DevInfo::webPort,       &DevInfo::videoPort,  &DevInfo::phonePort};
    for (int column = 0; column < 18; ++column) {
        // Every other field is ordered the opposite way.
        DevInfo a;
        DevInfo b;
        for (const auto field : fields) {
            a.*field = "b";
            b.*field = "a";
        }
        a.*fields[column] = "a";
        b.*fields[column] = "b";
        std::vector<DevInfo> devices{b, a};
        SortDevices(true, devices, column);
        EXPECT_EQ(devices[0], a) << "column " << column;
    }
}

TEST(SortDevices, ColumnOutsideRangeChangesNothing) {
    auto devices = withField(&DevInfo::name, {"b", "a", "c"});
    SortDevices(true, devices, 18);
    SortDevices(true, devices, -1);
    EXPECT_EQ(fieldOf(&DevInfo::name, devices), (Texts{"b", "a", "c"}));
    std::vector<DevInfo> empty;
    SortDevices(true, empty, 0);
    EXPECT_TRUE(empty.empty());
}

TEST(SortDevices, RefreshOrderPutsDevicesWithoutIdLast) {
    auto devices = withField(&DevInfo::deviceId, {"", "A1", "", "B7", "A2"});
    SortDevices(false, devices, 1);
    EXPECT_EQ(fieldOf(&DevInfo::deviceId, devices), (Texts{"B7", "A2", "A1", "", ""}));
}

}  // namespace
}  // namespace quillon

#include "device/hidraw/HidrawSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace ornyx::device::hidraw {
namespace {

TEST(HidIdTest, ParsesTheKernelsFormatAndKeepsTheLow16Bits) {
    auto id = ParseHidId("0003:000004D9:0000A09F");
    ASSERT_TRUE(id);
    EXPECT_EQ(id->bus, 0x0003);
    EXPECT_EQ(id->vendorId, 0x04D9);
    EXPECT_EQ(id->productId, 0xA09F);

    id = ParseHidId("0005:0001046d:0000b01a");  // lower case, bits above 16 set
    ASSERT_TRUE(id);
    EXPECT_EQ(id->vendorId, 0x046D);
    EXPECT_EQ(id->productId, 0xB01A);

    id = ParseHidId("3:4D9:A09F");
    ASSERT_TRUE(id);
    EXPECT_EQ(id->vendorId, 0x04D9);
}

TEST(HidIdTest, RefusesMalformedText) {
    for (const char* text :
         {"", ":", "::", "0003:000004D9", "0003:000004D9:", "0003::0000A09F", ":000004D9:0000A09F",
          "0003:000004D9:0000A09F:0001", "0003:000004D9:0000A09G", "0003:000004D9:0000A09F ",
          " 0003:000004D9:0000A09F", "0003:000004D9:0000A09F\n", "0003:-4D9:A09F", "0003:+4D9:A09F",
          "0003:0x4D9:A09F", "0003:000004D9:100000000A09F", "000000003:04D9:A09F",
          "0003;000004D9;0000A09F"}) {
        EXPECT_FALSE(ParseHidId(text)) << '"' << text << '"';
    }
}

TEST(HidIdTest, DevicePathNamesTheHidDeviceAboveTheNode) {
    const auto id = HidIdFromDevpath(
        "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.1/0003:04D9:A09F.0002/hidraw/hidraw1");
    ASSERT_TRUE(id);
    EXPECT_EQ(id->vendorId, 0x04D9);
    EXPECT_EQ(id->productId, 0xA09F);

    // No HID device where it belongs: the PCI address further up must not pass for one.
    EXPECT_FALSE(HidIdFromDevpath("/devices/pci0000:00/0000:00:14.0/usb1/1-2/hidraw/hidraw1"));
    EXPECT_FALSE(HidIdFromDevpath("/devices/pci0000:00/0000:00:14.0/hidraw/hidraw1"));
    EXPECT_FALSE(HidIdFromDevpath("/devices/virtual/0003:04D9:A09F.0002/input/input7"));
    EXPECT_FALSE(HidIdFromDevpath("0003:04D9:A09F.0002/hidraw/hidraw1/"));
    EXPECT_FALSE(HidIdFromDevpath("hidraw/hidraw1"));
    EXPECT_FALSE(HidIdFromDevpath(""));

    EXPECT_TRUE(ParseHidDeviceName("0018:000004F3:00000C4B.0001"));  // wider fields of I2C devices
    EXPECT_FALSE(ParseHidDeviceName("0003:04D9:A09F"));
    EXPECT_FALSE(ParseHidDeviceName("0003:04D9:A09F.0002.1"));
}

TEST(HidIdTest, NodesAreOrderedByNumber) {
    std::vector<std::string> nodes = {"/dev/hidraw10", "/dev/other",   "/dev/hidraw2",
                                      "/dev/hidraw0",  "/dev/hidrawx", "/dev/hidraw1a"};
    std::sort(nodes.begin(), nodes.end(), NodeOrderLess);
    EXPECT_EQ(nodes, (std::vector<std::string>{"/dev/hidraw0", "/dev/hidraw2", "/dev/hidraw10",
                                               "/dev/hidraw1a", "/dev/hidrawx", "/dev/other"}));
    EXPECT_EQ(ParseHex16("0100"), 0x0100);
    EXPECT_FALSE(ParseHex16("10000"));
    EXPECT_FALSE(ParseHex16("1.00"));
}

std::vector<std::uint8_t> Normalized(const std::vector<std::uint8_t>& received, bool ids,
                                     std::size_t outSize, std::size_t& stored) {
    std::vector<std::uint8_t> out(outSize, 0xEE);  // leftovers of an earlier report
    stored = NormalizeInputReport(received, ids, out);
    return out;
}

TEST(NormalizeInputReportTest, NodeWithoutReportIdsGetsAZeroInFront) {
    std::vector<std::uint8_t> data(32);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(0x40 + i);
    std::size_t stored = 0;
    auto out = Normalized(data, false, 33, stored);
    EXPECT_EQ(stored, 33u);
    EXPECT_EQ(out[0], 0x00);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), out.begin() + 1));

    // A short report: the ID byte plus what came, the rest cleared.
    out = Normalized({0xAB, 0xCD}, false, 33, stored);
    EXPECT_EQ(stored, 3u);
    std::vector<std::uint8_t> expected(33, 0);
    expected[1] = 0xAB;
    expected[2] = 0xCD;
    EXPECT_EQ(out, expected);

    // Longer than the buffer: cut, never written past it.
    out = Normalized(data, false, 9, stored);
    EXPECT_EQ(stored, 9u);
    EXPECT_EQ(out[0], 0x00);
    EXPECT_TRUE(std::equal(data.begin(), data.begin() + 8, out.begin() + 1));
}

TEST(NormalizeInputReportTest, NodeWithReportIdsPassesReportsThrough) {
    std::size_t stored = 0;
    auto out = Normalized({0x06, 0x07, 0x00, 0x02}, true, 8, stored);
    EXPECT_EQ(stored, 4u);
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0x06, 0x07, 0x00, 0x02, 0, 0, 0, 0}));

    out = Normalized({1, 2, 3, 4, 5, 6}, true, 4, stored);
    EXPECT_EQ(stored, 4u);
    EXPECT_EQ(out, (std::vector<std::uint8_t>{1, 2, 3, 4}));
}

TEST(NormalizeInputReportTest, NothingReceivedStoresNothing) {
    for (bool ids : {false, true}) {
        std::size_t stored = 7;
        const auto out = Normalized({}, ids, 8, stored);
        EXPECT_EQ(stored, 0u);
        EXPECT_EQ(out, std::vector<std::uint8_t>(8, 0));
        EXPECT_EQ(NormalizeInputReport(std::vector<std::uint8_t>{1, 2}, ids, {}), 0u);
    }
    std::vector<std::uint8_t> one(1, 0xEE);
    EXPECT_EQ(NormalizeInputReport(std::vector<std::uint8_t>{0xAB}, false, one), 1u);
    EXPECT_EQ(one[0], 0x00);  // room for the ID byte only
}

TEST(OpenErrorTextTest, PermissionProblemsPointToTheUdevRule) {
    EXPECT_EQ(OpenErrorText(EACCES, "/dev/hidraw3"),
              "no permission to open /dev/hidraw3; install the udev rule");
    EXPECT_EQ(OpenErrorText(EPERM, "/dev/hidraw12"),
              "no permission to open /dev/hidraw12; install the udev rule");
    EXPECT_EQ(OpenErrorText(ENOENT, "/dev/hidraw9"),
              "cannot open /dev/hidraw9: no such device node");
    EXPECT_EQ(OpenErrorText(ENODEV, "/dev/hidraw9"),
              "cannot open /dev/hidraw9: the device is gone");
    const std::string other = OpenErrorText(EBUSY, "/dev/hidraw1");
    EXPECT_EQ(other.rfind("cannot open /dev/hidraw1: ", 0), 0u) << other;
    EXPECT_GT(other.size(), std::string("cannot open /dev/hidraw1: ").size());
}

}  // namespace
}  // namespace ornyx::device::hidraw

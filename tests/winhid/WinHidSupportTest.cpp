#include "device/winhid/WinHidSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace ornyx::device::winhid {
namespace {

TEST(WinHidSupportTest, CapsBecomeTheCollectionDiscoverySees) {
    const CollectionCaps caps{0xFF00, 0xFF00, 33, 33, 9};
    const std::vector<std::uint8_t> none = {0, 0, 0};
    const TopLevelCollection plain = CollectionFromCaps(caps, none);
    EXPECT_EQ(plain.usagePage, 0xFF00);
    EXPECT_EQ(plain.usage, 0xFF00);
    EXPECT_EQ(plain.collectionType, 1);
    EXPECT_EQ(plain.inputReportLength, 33);
    EXPECT_EQ(plain.outputReportLength, 33);
    EXPECT_EQ(plain.featureReportLength, 9);
    // The parser names ID 0 for items of a collection without report IDs.
    EXPECT_FALSE(plain.usesReportIds);
    EXPECT_TRUE(plain.reportIds.empty());

    const std::vector<std::uint8_t> ids = {6, 2, 6, 0, 2};
    const TopLevelCollection withIds = CollectionFromCaps({0xFF01, 0xFF01, 8, 0, 0}, ids);
    EXPECT_TRUE(withIds.usesReportIds);
    EXPECT_EQ(withIds.reportIds, (std::vector<std::uint8_t>{2, 6}));
    EXPECT_EQ(withIds.inputReportLength, 8);
    EXPECT_EQ(withIds.featureReportLength, 0);
}

TEST(WinHidSupportTest, ErrorCodesMapToTheBackendsTexts) {
    const std::string p = R"(\\?\hid#vid_04d9&pid_a09f&mi_01&col02#x)";
    EXPECT_EQ(OpenErrorText(ERROR_FILE_NOT_FOUND, p), "cannot open " + p + ": no such device node");
    EXPECT_EQ(OpenErrorText(ERROR_PATH_NOT_FOUND, p), "cannot open " + p + ": no such device node");
    for (DWORD gone :
         std::initializer_list<DWORD>{ERROR_DEVICE_NOT_CONNECTED, ERROR_DEV_NOT_EXIST, DWORD{433},
                                      static_cast<DWORD>(ERROR_DEVICE_REMOVED)}) {
        EXPECT_TRUE(IsDeviceGoneError(gone)) << gone;
        EXPECT_EQ(OpenErrorText(gone, p), "cannot open " + p + ": the device is gone") << gone;
    }
    EXPECT_EQ(OpenErrorText(ERROR_SHARING_VIOLATION, p),
              "cannot open " + p +
                  ": another program holds the mouse exclusively; close it and try again");
    EXPECT_EQ(OpenErrorText(ERROR_ACCESS_DENIED, p).rfind("no permission to open " + p, 0), 0u);

    // Failures that say nothing of the device's presence.
    for (DWORD other : std::initializer_list<DWORD>{
             ERROR_SUCCESS, ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_INVALID_PARAMETER,
             ERROR_OPERATION_ABORTED, ERROR_IO_PENDING}) {
        EXPECT_FALSE(IsDeviceGoneError(other)) << other;
    }
    // Anything else keeps the code, whatever words the system has for it.
    const std::string text = OpenErrorText(ERROR_INVALID_PARAMETER, p);
    EXPECT_EQ(text.rfind("cannot open " + p + ": ", 0), 0u) << text;
    EXPECT_NE(text.find("(error 87)"), std::string::npos) << text;
    EXPECT_EQ(text.find('\n'), std::string::npos) << text;
    EXPECT_EQ(SystemErrorText(0xDEADBEEF).find("error 3735928559"), 0u);
}

TEST(WinHidSupportTest, InterfacePathsNameTheirIds) {
    const auto upper = IdsFromInterfacePath(
        R"(\\?\HID#VID_04D9&PID_A09F&MI_01&Col02#8&1&0001#{4d1e55b2-f16f-11cf-88cb-001111000030})");
    ASSERT_TRUE(upper);
    EXPECT_EQ(upper->vendorId, 0x04D9);
    EXPECT_EQ(upper->productId, 0xA09F);
    const auto lower = IdsFromInterfacePath(R"(\\?\hid#vid_046d&pid_c077#7&x#{4d1e55b2})");
    ASSERT_TRUE(lower);
    EXPECT_EQ(lower->vendorId, 0x046D);
    EXPECT_EQ(lower->productId, 0xC077);

    for (const char* bad : {"", R"(\\?\hid#vid_04d9#x)", R"(\\?\hid#pid_a09f#x)",
                            R"(\\?\hid#vid_04g9&pid_a09f)", R"(\\?\hid#vid_04d&pid_a09f)",
                            R"(\\?\hid#vid_04d90&pid_a09f)", R"(\\?\hid#vid_04d9&pid_a09)",
                            R"(\\?\HID#{00001124-0000-1000-8000-00805f9b34fb}_Dev_VID&02045e)"}) {
        EXPECT_FALSE(IdsFromInterfacePath(bad)) << bad;
    }
}

TEST(WinHidSupportTest, TextRoundTripsThroughUtf16) {
    const std::string text = "Z:\\Папка 文件夹\\hid";
    EXPECT_EQ(Narrow(Widen(text)), text);
    EXPECT_EQ(Widen("hid"), L"hid");
    EXPECT_EQ(Narrow(L""), "");
}

}  // namespace
}  // namespace ornyx::device::winhid

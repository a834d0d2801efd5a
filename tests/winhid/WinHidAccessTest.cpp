#include "device/winhid/WinHidAccess.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <thread>

#include "common/DebugLog.h"
#include "common/MessageSink.h"
#include "device/Discovery.h"
#include "device/WakeSignal.h"

namespace ornyx::device::winhid {
namespace {

// Whatever this system has (under Wine without devices: nothing): never
// the mouse, each entry complete, and a search that quietly finds nothing.
TEST(WinHidAccessTest, WithoutTheMouseNothingIsFoundAndNothingComplains) {
    WinHidAccess access;
    const auto entries = access.Enumerate();
    for (const HidInterfaceInfo& entry : entries) {
        EXPECT_FALSE(entry.path.empty());
        EXPECT_FALSE(entry.vendorId == kMouseVendorId && entry.productId == kMouseProductId)
            << entry.path << ": the mouse is not attached to this test";
    }
    for (std::size_t i = 1; i < entries.size(); ++i)
        EXPECT_LT(entries[i - 1].path, entries[i].path);

    Connection c;
    NullDebugLog log;
    RecordingMessageSink messages;
    EXPECT_FALSE(OpenDevice(access, c, messages, log));
    EXPECT_FALSE(c.devicePresent);
    EXPECT_TRUE(messages.messages.empty());
}

TEST(WinHidAccessTest, OpeningWhatIsNoHidCollectionFailsWithAClearError) {
    WinHidAccess access;
    const std::string missing =
        R"(\\?\hid#vid_04d9&pid_a09f&col02#0&0&0#{4d1e55b2-f16f-11cf-88cb-001111000030})";
    for (OpenMode mode : {OpenMode::Read, OpenMode::Write, OpenMode::ReadWrite}) {
        std::string error;
        EXPECT_EQ(access.Open(missing, mode, error), nullptr);
        EXPECT_EQ(error, "cannot open " + missing + ": no such device node");
    }

    // A plain file opens but has no HID capabilities.
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() /
        ("ornyx-winhid-" + std::to_string(::GetCurrentProcessId()) + ".bin");
    std::ofstream(file, std::ios::binary) << "not a device";
    const std::string name = Narrow(file.wstring());
    std::string error;
    EXPECT_EQ(access.Open(name, OpenMode::ReadWrite, error), nullptr);
    EXPECT_EQ(error, name + " is not a HID device node");
    std::filesystem::remove(file);
}

// A pipe stands in for a collection: reads are overlapped ReadFile calls on
// it as on a HID handle.
class PipeHandleTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::wstring name =
            L"\\\\.\\pipe\\ornyx-winhid-" + std::to_wstring(::GetCurrentProcessId());
        server_ =
            ::CreateNamedPipeW(name.c_str(), PIPE_ACCESS_OUTBOUND | FILE_FLAG_FIRST_PIPE_INSTANCE,
                               PIPE_TYPE_MESSAGE | PIPE_WAIT, 1, 64, 64, 0, nullptr);
        ASSERT_NE(server_, INVALID_HANDLE_VALUE) << ::GetLastError();
        HANDLE client = ::CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OVERLAPPED, nullptr);
        ASSERT_NE(client, INVALID_HANDLE_VALUE) << ::GetLastError();
        DWORD mode = PIPE_READMODE_MESSAGE;
        ASSERT_TRUE(::SetNamedPipeHandleState(client, &mode, nullptr, nullptr));
        handle_ =
            std::make_unique<WinHidHandle>(client, CollectionCaps{0xFF01, 0xFF01, 8, 0, 0}, true);
    }
    void TearDown() override {
        handle_.reset();
        if (server_ != INVALID_HANDLE_VALUE) ::CloseHandle(server_);
    }
    void Send(std::vector<std::uint8_t> report) {
        DWORD n = 0;
        ASSERT_TRUE(
            ::WriteFile(server_, report.data(), static_cast<DWORD>(report.size()), &n, nullptr));
    }
    bool PollReady(int timeoutMs) {
        const std::array<int, 1> handles = {handle_->PollFd()};
        std::array<Readiness, 1> found{};
        EXPECT_TRUE(WaitForAny(handles, timeoutMs, found));
        return found[0].ready;
    }

    HANDLE server_ = INVALID_HANDLE_VALUE;
    std::unique_ptr<WinHidHandle> handle_;
};

TEST_F(PipeHandleTest, AReportAfterATimeOutIsTheNextReadNotLost) {
    std::array<std::uint8_t, 8> report{};
    report.fill(0xEE);
    EXPECT_EQ(handle_->Read(report, 20), 0);
    EXPECT_EQ(report, (std::array<std::uint8_t, 8>{}));  // cleared on a time-out too
    EXPECT_FALSE(PollReady(20));

    Send({0x06, 0x05, 0x00, 0x02});
    EXPECT_TRUE(PollReady(2000));  // what the event reader waits for
    EXPECT_EQ(handle_->Read(report, 0), 4);
    EXPECT_EQ(report, (std::array<std::uint8_t, 8>{0x06, 0x05, 0x00, 0x02}));

    // Two reports queued: both come, in order, each once.
    Send({0x06, 0x09, 0x00, 0x0c});
    Send({0x06, 0x07, 0x00, 0x01});
    EXPECT_EQ(handle_->Read(report, 2000), 4);
    EXPECT_EQ(report[1], 0x09);
    EXPECT_EQ(handle_->Read(report, 2000), 4);
    EXPECT_EQ(report[1], 0x07);
    EXPECT_EQ(handle_->Read(report, 20), 0);
}

TEST_F(PipeHandleTest, TheOtherEndGoneEndsEveryWait) {
    std::array<std::uint8_t, 8> report{};
    EXPECT_EQ(handle_->Read(report, 10), 0);
    ::CloseHandle(std::exchange(server_, INVALID_HANDLE_VALUE));
    EXPECT_TRUE(PollReady(2000));
    EXPECT_EQ(handle_->Read(report, 2000), -1);
    // Stays so: a reader that looks again must not block.
    EXPECT_TRUE(PollReady(0));
    EXPECT_EQ(handle_->Read(report, 2000), -1);
}

TEST_F(PipeHandleTest, ClosingWithAReadPendingReturnsAtOnce) {
    std::array<std::uint8_t, 8> report{};
    EXPECT_EQ(handle_->Read(report, 10), 0);  // leaves the read pending
    const auto start = std::chrono::steady_clock::now();
    handle_.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

}  // namespace
}  // namespace ornyx::device::winhid

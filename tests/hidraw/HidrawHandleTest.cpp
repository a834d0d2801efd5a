#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <memory>
#include <vector>

#include "device/hidraw/HidrawAccess.h"

namespace ornyx::device::hidraw {
namespace {

using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// A handle over one end of a packet socket: like a hidraw node, each read()
// gives one whole report, a longer one cut to the buffer, and a closed peer
// reads as a hang-up.
struct HandleRig {
    explicit HandleRig(bool nodeUsesReportIds) {
        int fds[2];
        if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds) != 0) {
            ADD_FAILURE() << "socketpair failed";
            return;
        }
        handle = std::make_unique<HidrawHandle>(fds[0], nodeUsesReportIds);
        device = fds[1];
    }
    ~HandleRig() { Unplug(); }

    void Send(const std::vector<std::uint8_t>& report) const {
        ASSERT_EQ(::send(device, report.data(), report.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(report.size()));
    }
    std::vector<std::uint8_t> Received() const {
        std::vector<std::uint8_t> data(256);
        const ssize_t n = ::recv(device, data.data(), data.size(), MSG_DONTWAIT);
        data.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        return data;
    }
    void Unplug() {
        if (device >= 0) ::close(device);
        device = -1;
    }

    std::unique_ptr<HidrawHandle> handle;
    int device = -1;
};

TEST(HidrawHandleTest, ReadsPutTheReportIdFirst) {
    {
        HandleRig rig(false);  // command node: 32 data bytes, no ID on the wire
        std::vector<std::uint8_t> data(32);
        for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i + 1);
        rig.Send(data);

        // The fd the event reader polls tells that a report waits.
        pollfd p{rig.handle->PollFd(), POLLIN, 0};
        ASSERT_EQ(::poll(&p, 1, 1000), 1);

        std::array<std::uint8_t, 40> buffer{};
        buffer.fill(0xEE);
        ASSERT_EQ(rig.handle->Read(std::span<std::uint8_t>(buffer.data(), 33), 1000), 33);
        EXPECT_EQ(buffer[0], 0x00);
        EXPECT_TRUE(std::equal(data.begin(), data.end(), buffer.begin() + 1));
        EXPECT_EQ(buffer[33], 0xEE) << "written past the span";
    }
    {
        HandleRig rig(true);  // event node: report ID 6 on the wire
        rig.Send({0x06, 0x07, 0x00, 0x02});
        std::array<std::uint8_t, 8> buffer{};
        buffer.fill(0xEE);
        ASSERT_EQ(rig.handle->Read(buffer, 1000), 4);
        EXPECT_EQ(buffer, (std::array<std::uint8_t, 8>{0x06, 0x07, 0x00, 0x02, 0, 0, 0, 0}));
    }
}

TEST(HidrawHandleTest, LongReportsAreCutAndKeepTheirBoundaries) {
    HandleRig rig(false);
    rig.Send(std::vector<std::uint8_t>(64, 0xAA));  // a bogus length
    rig.Send({0x11, 0x22});
    std::array<std::uint8_t, 9> buffer{};
    EXPECT_EQ(rig.handle->Read(buffer, 1000), 9);
    EXPECT_EQ(buffer[0], 0x00);
    EXPECT_EQ(buffer[8], 0xAA);
    EXPECT_EQ(rig.handle->Read(buffer, 1000), 3);
    EXPECT_EQ(buffer, (std::array<std::uint8_t, 9>{0x00, 0x11, 0x22, 0, 0, 0, 0, 0, 0}));
}

TEST(HidrawHandleTest, SilentDeviceTimesOut) {
    HandleRig rig(false);
    std::array<std::uint8_t, 33> buffer{};
    buffer.fill(0xEE);
    auto start = Clock::now();
    EXPECT_EQ(rig.handle->Read(buffer, 60), 0);
    const long long waited = MsSince(start);
    EXPECT_GE(waited, 55);
    EXPECT_LT(waited, 2000);
    EXPECT_EQ(buffer, (std::array<std::uint8_t, 33>{})) << "a time-out leaves no stale bytes";

    start = Clock::now();
    EXPECT_EQ(rig.handle->Read(buffer, 0), 0);
    EXPECT_EQ(rig.handle->Read(buffer, -1), 0) << "a negative time-out must not wait forever";
    EXPECT_LT(MsSince(start), 500);
}

TEST(HidrawHandleTest, UnpluggedDeviceHandsOutQueuedReportsThenFails) {
    HandleRig rig(true);
    rig.Send({0x06, 0x05, 0x00, 0x02});
    rig.Unplug();
    std::array<std::uint8_t, 8> buffer{};
    EXPECT_EQ(rig.handle->Read(buffer, 5000), 4);
    EXPECT_EQ(buffer[1], 0x05);
    // Gone: fails at once, every time, rather than waiting out the time-out or spinning.
    const auto start = Clock::now();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(rig.handle->Read(buffer, 5000), -1);
    EXPECT_LT(MsSince(start), 1000);
    EXPECT_EQ(rig.handle->Read({}, 0), -1);
}

TEST(HidrawHandleTest, WritesGoOutAsGivenAndFailuresAreReported) {
    HandleRig rig(false);
    std::vector<std::uint8_t> report(33, 0);
    report[1] = 0x12;
    report[32] = 0x34;
    EXPECT_TRUE(rig.handle->Write(report));
    EXPECT_EQ(rig.Received(), report) << "the report ID byte goes first, as given";
    EXPECT_FALSE(rig.handle->Write({}));

    // A file descriptor that is no hidraw node refuses the feature requests: that
    // must come back as a failure, not as a success with an untouched buffer.
    std::array<std::uint8_t, 9> feature{0x00, 0x83, 0, 0, 0, 0, 0, 0, 0x7C};
    EXPECT_FALSE(rig.handle->SetFeature(feature));
    EXPECT_FALSE(rig.handle->GetFeature(feature));
    EXPECT_FALSE(rig.handle->SetFeature({}));
    std::vector<std::uint8_t> huge(1 << 15);
    EXPECT_FALSE(rig.handle->GetFeature(huge)) << "too long for the request's length field";
}

}  // namespace
}  // namespace ornyx::device::hidraw

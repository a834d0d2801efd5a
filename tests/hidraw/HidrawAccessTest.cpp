#include "device/hidraw/HidrawAccess.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <set>

#include "device/hidraw/HidrawMonitor.h"
#include "device/hidraw/HidrawSupport.h"
#include "support/TempDir.h"

namespace ornyx::device::hidraw {
namespace {

// Whatever this machine has (often no hidraw node at all): only complete
// entries, each node once, in node order.
TEST(HidrawAccessTest, EnumerationListsOnlyWellFormedNodes) {
    HidrawAccess access;
    const auto nodes = access.Enumerate();
    std::set<std::string> paths;
    for (const HidInterfaceInfo& node : nodes) {
        EXPECT_EQ(node.path.rfind("/dev/", 0), 0u) << node.path;
        EXPECT_TRUE(paths.insert(node.path).second) << node.path << " listed twice";
        EXPECT_LE(node.reportDescriptor.size(), 4096u) << node.path;
    }
    for (std::size_t i = 1; i < nodes.size(); ++i) {
        EXPECT_TRUE(NodeOrderLess(nodes[i - 1].path, nodes[i].path))
            << nodes[i - 1].path << " before " << nodes[i].path;
    }
}

// Where this machine has nodes we may open, the listed descriptor (from
// sysfs) is the one the node itself gives.
TEST(HidrawAccessTest, ListedDescriptorIsTheNodesOwn) {
    HidrawAccess access;
    int compared = 0;
    for (const HidInterfaceInfo& node : access.Enumerate()) {
        const int fd = ::open(node.path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        const auto own = ReadDescriptorFromNode(fd);
        ::close(fd);
        ASSERT_TRUE(own) << node.path;
        EXPECT_EQ(*own, node.reportDescriptor) << node.path;
        ++compared;
    }
    if (compared == 0) GTEST_SKIP() << "no hidraw node that can be opened here";
}

TEST(HidrawAccessTest, OpeningWhatIsNoHidNodeFailsWithAClearError) {
    HidrawAccess access;
    const std::string missing = "/dev/hidraw-not-here-4711";
    for (OpenMode mode : {OpenMode::Read, OpenMode::Write, OpenMode::ReadWrite}) {
        std::string error;
        EXPECT_EQ(access.Open(missing, mode, error), nullptr);
        EXPECT_EQ(error, "cannot open " + missing + ": no such device node");
    }

    test::TempDir dir;
    const std::string file = (dir / "hidraw0").string();
    test::WriteBytes(file, {0x06, 0x00, 0xFF});
    std::string error;
    EXPECT_EQ(access.Open(file, OpenMode::ReadWrite, error), nullptr);
    EXPECT_EQ(error, file + " is not a HID device node");

    // A character device that is not hidraw refuses the descriptor request.
    error.clear();
    EXPECT_EQ(access.Open("/dev/null", OpenMode::ReadWrite, error), nullptr);
    EXPECT_EQ(error, "/dev/null is not a HID device node");
}

TEST(HidrawAccessTest, DescriptorDecidesWhetherReadsCarryAReportId) {
    // The command collection has no report IDs, the event collection has ID 6.
    const std::vector<std::uint8_t> command = {0x06, 0x00, 0xFF, 0x0A, 0x00, 0xFF, 0xA1, 0x01, 0x15,
                                               0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x20, 0x09,
                                               0x01, 0x81, 0x02, 0x95, 0x20, 0x09, 0x02, 0x91, 0x02,
                                               0x95, 0x08, 0x09, 0x03, 0xB1, 0x02, 0xC0};
    const std::vector<std::uint8_t> event = {0x06, 0x01, 0xFF, 0x0A, 0x01, 0xFF, 0xA1, 0x01,
                                             0x85, 0x06, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75,
                                             0x08, 0x95, 0x07, 0x09, 0x01, 0x81, 0x02, 0xC0};
    EXPECT_FALSE(DescriptorUsesReportIds(command));
    EXPECT_TRUE(DescriptorUsesReportIds(event));
    std::vector<std::uint8_t> both = command;
    both.insert(both.end(), event.begin(), event.end());
    EXPECT_TRUE(DescriptorUsesReportIds(both));
    EXPECT_FALSE(DescriptorUsesReportIds({}));
}

TEST(HidrawMonitorTest, ReceiveNeverBlocks) {
    std::string error;
    auto monitor = HidrawMonitor::Create(error);
    if (!monitor) {
        EXPECT_FALSE(error.empty());
        // CI has netlink; there a missing monitor is a fault, not a reason to skip.
        if (std::getenv("CI") != nullptr) FAIL() << "no udev monitor: " << error;
        GTEST_SKIP() << "no udev monitor here: " << error;
    }
    EXPECT_GE(monitor->Fd(), 0);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 3; ++i) {
        // Nothing is plugged during the test; a change would still be well formed.
        if (auto change = monitor->Receive()) {
            EXPECT_FALSE(change->devnode.empty());
        }
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

}  // namespace
}  // namespace ornyx::device::hidraw

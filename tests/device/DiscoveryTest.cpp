#include <gtest/gtest.h>

#include "device/Discovery.h"
#include "device/sim/SimMouse.h"
#include "support/DeviceFixture.h"

namespace ornyx::device {
namespace {

// A HID access with a fixed node list, for shapes the simulator does not make.
class ListedAccess final : public HidAccess {
public:
    std::vector<HidInterfaceInfo> nodes;
    std::vector<std::string> opened;
    std::string failOpen;

    std::vector<HidInterfaceInfo> Enumerate() override { return nodes; }
    std::unique_ptr<HidHandle> Open(const std::string& path, OpenMode,
                                    std::string& error) override {
        if (path == failOpen) {
            error = "permission denied";
            return nullptr;
        }
        opened.push_back(path);
        sim::SimHidAccess simAccess(std::make_shared<sim::SimMouse>());
        return simAccess.Open(sim::SimHidAccess::kCommandPath, OpenMode::ReadWrite, error);
    }
};

HidInterfaceInfo Node(std::string path, std::vector<std::uint8_t> descriptor,
                      std::uint16_t vid = kMouseVendorId, std::uint16_t pid = kMouseProductId) {
    return {std::move(path), vid, pid, 0x0100, std::move(descriptor), std::nullopt};
}

TEST(DiscoveryTest, SimulatorOpensCommandAndEventChannelsInEitherOrder) {
    for (bool commandFirst : {false, true}) {
        test::SimLink link({.sensorType = 0, .commandFirst = commandFirst});
        ASSERT_TRUE(link.opened);
        const Connection& c = link.connection;
        EXPECT_TRUE(c.devicePresent);
        EXPECT_EQ(c.devicePath, sim::SimHidAccess::kCommandPath);
        EXPECT_EQ(c.eventPath, sim::SimHidAccess::kEventPath) << "commandFirst=" << commandFirst;
        EXPECT_TRUE(c.eventRead != nullptr);
        EXPECT_EQ(c.featureReportLength, 9);
        EXPECT_EQ(c.inputReportLength, 33);
        EXPECT_EQ(c.outputReportLength, 33);
        EXPECT_EQ(c.eventReportLength, 8);
        EXPECT_EQ(c.seen.size(), 3u);  // the plain mouse collection is seen and skipped
        EXPECT_TRUE(link.messages.messages.empty());
    }
}

TEST(DiscoveryTest, OtherDevicesAndCollectionsAreSkipped) {
    ListedAccess access;
    // Same collections on a foreign device, then the mouse with both channels on one node.
    access.nodes.push_back(Node("other", sim::SimMouse::CommandDescriptor(), 0x046D, 0xC077));
    std::vector<std::uint8_t> combined = sim::SimMouse::PlainMouseDescriptor();
    const auto& command = sim::SimMouse::CommandDescriptor();
    combined.insert(combined.end(), command.begin(), command.end());
    const auto& event = sim::SimMouse::EventDescriptor();
    combined.insert(combined.end(), event.begin(), event.end());
    access.nodes.push_back(Node("mouse", combined));

    Connection c;
    NullDebugLog log;
    RecordingMessageSink messages;
    ASSERT_TRUE(OpenDevice(access, c, messages, log));
    EXPECT_EQ(access.opened, (std::vector<std::string>{"mouse", "mouse"}));
    EXPECT_EQ(c.devicePath, "mouse");
    EXPECT_EQ(c.eventPath, "mouse");
}

TEST(DiscoveryTest, NoMouseOrUnusableMouseMeansNotPresent) {
    NullDebugLog log;
    {
        ListedAccess access;  // nothing listed
        Connection c;
        RecordingMessageSink messages;
        EXPECT_FALSE(OpenDevice(access, c, messages, log));
        EXPECT_FALSE(c.devicePresent);
        EXPECT_TRUE(messages.messages.empty());
    }
    {
        // Reports longer than the transport's buffers: refused at open.
        ListedAccess access;
        std::vector<std::uint8_t> big = sim::SimMouse::CommandDescriptor();
        big[28] = 0x10;  // feature report count 8 -> 16 bytes: length 17
        access.nodes.push_back(Node("mouse", big));
        Connection c;
        RecordingMessageSink messages;
        EXPECT_FALSE(OpenDevice(access, c, messages, log));
        EXPECT_TRUE(access.opened.empty());
    }
    {
        // A channel that cannot be opened ends the search.
        ListedAccess access;
        access.nodes.push_back(Node("mouse", sim::SimMouse::CommandDescriptor()));
        access.failOpen = "mouse";
        Connection c;
        RecordingMessageSink messages;
        EXPECT_FALSE(OpenDevice(access, c, messages, log));
        EXPECT_FALSE(c.devicePresent);
        EXPECT_EQ(c.command, nullptr);
    }
    {
        // A descriptor that holds no collection: the capabilities message.
        ListedAccess access;
        access.nodes.push_back(Node("mouse", {0x05, 0x01, 0x09}));
        Connection c;
        RecordingMessageSink messages;
        EXPECT_FALSE(OpenDevice(access, c, messages, log));
        ASSERT_EQ(messages.messages.size(), 1u);
        EXPECT_EQ(messages.messages[0].text, "HidP_GetCaps failed.");
    }
}

TEST(DiscoveryTest, ReopeningReplacesThePreviousConnection) {
    test::SimLink link;
    ASSERT_TRUE(link.opened);
    HidHandle* first = link.connection.command.get();
    ASSERT_TRUE(OpenDevice(link.traced, link.connection, link.messages, link.log));
    EXPECT_NE(link.connection.command.get(), nullptr);
    EXPECT_NE(link.connection.command.get(), first);
    EXPECT_EQ(link.connection.seen.size(), 3u);
}

}  // namespace
}  // namespace ornyx::device

#include <gtest/gtest.h>

#include <utility>

#include "common/DebugLog.h"
#include "common/MessageSink.h"
#include "device/Discovery.h"
#include "device/winhid/WinHidSupport.h"

namespace ornyx::device::winhid {
namespace {

class NullHandle final : public HidHandle {
public:
    bool SetFeature(std::span<const std::uint8_t>) override { return true; }
    bool GetFeature(std::span<std::uint8_t>) override { return true; }
    bool Write(std::span<const std::uint8_t>) override { return true; }
    int Read(std::span<std::uint8_t>, int) override { return 0; }
};

// Lists collections as Windows does, one entry each, and records every open.
class CollectionAccess final : public HidAccess {
public:
    std::vector<HidInterfaceInfo> entries;
    std::vector<std::pair<std::string, OpenMode>> opened;

    std::vector<HidInterfaceInfo> Enumerate() override { return entries; }
    std::unique_ptr<HidHandle> Open(const std::string& path, OpenMode mode, std::string&) override {
        opened.emplace_back(path, mode);
        return std::make_unique<NullHandle>();
    }
};

HidInterfaceInfo Entry(std::string path, const CollectionCaps& caps,
                       std::uint16_t vid = kMouseVendorId, std::uint16_t pid = kMouseProductId) {
    HidInterfaceInfo info;
    info.path = std::move(path);
    info.vendorId = vid;
    info.productId = pid;
    info.version = 0x0100;
    info.collection = CollectionFromCaps(caps, {});
    return info;
}

const CollectionCaps kPlainMouse{0x0001, 0x0002, 5, 0, 0};
const CollectionCaps kCommand{0xFF00, 0xFF00, 33, 33, 9};
const CollectionCaps kEvent{0xFF01, 0xFF01, 8, 0, 0};

TEST(WinHidDiscoveryTest, ChannelsAreChosenByUsagePageAndThePlainMouseIsNeverOpened) {
    CollectionAccess access;
    // A foreign device with the same vendor collection comes first; the
    // mouse's collections in the order a system might list them.
    access.entries.push_back(Entry("other-col01", kCommand, 0x046D, 0xC077));
    access.entries.push_back(Entry("mouse-col01", kPlainMouse));
    access.entries.push_back(Entry("mouse-col03", kEvent));
    access.entries.push_back(Entry("mouse-col02", kCommand));

    Connection c;
    NullDebugLog log;
    RecordingMessageSink messages;
    ASSERT_TRUE(OpenDevice(access, c, messages, log));
    const std::vector<std::pair<std::string, OpenMode>> expected = {
        {"mouse-col03", OpenMode::Read}, {"mouse-col02", OpenMode::ReadWrite}};
    EXPECT_EQ(access.opened, expected);
    EXPECT_TRUE(c.devicePresent);
    EXPECT_EQ(c.devicePath, "mouse-col02");
    EXPECT_EQ(c.eventPath, "mouse-col03");
    EXPECT_EQ(c.featureReportLength, 9);
    EXPECT_EQ(c.inputReportLength, 33);
    EXPECT_EQ(c.outputReportLength, 33);
    EXPECT_EQ(c.eventReportLength, 8);
    ASSERT_EQ(c.seen.size(), 3u);  // the plain mouse is seen, not opened
    EXPECT_EQ(c.seen[0].path, "mouse-col01");
    EXPECT_FALSE(c.seen[0].openedAsCommand || c.seen[0].openedAsEvent);
    EXPECT_TRUE(messages.messages.empty());

    // The collection itself is what `info` lists for an entry.
    std::string error;
    const auto listed = CollectionsOf(access.entries[3], error);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].featureReportLength, 9);
    EXPECT_TRUE(error.empty());
}

TEST(WinHidDiscoveryTest, ACollectionWithoutItsReportIsNoChannel) {
    NullDebugLog log;
    {
        // The vendor page without a feature report cannot carry commands.
        CollectionAccess access;
        access.entries.push_back(Entry("mouse-col02", {0xFF00, 0xFF00, 33, 33, 0}));
        access.entries.push_back(Entry("mouse-col03", kEvent));
        Connection c;
        RecordingMessageSink messages;
        EXPECT_FALSE(OpenDevice(access, c, messages, log));
        EXPECT_FALSE(c.devicePresent);
        EXPECT_EQ(c.command, nullptr);
        EXPECT_EQ(c.eventRead, nullptr);
    }
    {
        // An event page without an input report: commands work, no events.
        CollectionAccess access;
        access.entries.push_back(Entry("mouse-col02", kCommand));
        access.entries.push_back(Entry("mouse-col03", {0xFF01, 0xFF01, 0, 0, 8}));
        Connection c;
        RecordingMessageSink messages;
        EXPECT_TRUE(OpenDevice(access, c, messages, log));
        EXPECT_EQ(access.opened.size(), 1u);
        EXPECT_EQ(c.eventRead, nullptr);
    }
}

TEST(WinHidDiscoveryTest, AMouseEntryWithoutCapabilitiesIsReported) {
    CollectionAccess access;
    HidInterfaceInfo bare = Entry("mouse-col02", kCommand);
    bare.collection.reset();  // the system gave no capabilities for it
    access.entries.push_back(bare);
    Connection c;
    NullDebugLog log;
    RecordingMessageSink messages;
    EXPECT_FALSE(OpenDevice(access, c, messages, log));
    EXPECT_TRUE(access.opened.empty());
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text, "HidD_GetPreparsedData failed.\n");
}

}  // namespace
}  // namespace ornyx::device::winhid

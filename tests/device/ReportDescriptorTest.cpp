#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "device/ReportDescriptor.h"

namespace ornyx::device {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

struct Expected {
    std::uint16_t usagePage, usage, input, output, feature;
    std::vector<std::uint8_t> ids;
};

void ExpectCollection(const TopLevelCollection& c, const Expected& e) {
    EXPECT_EQ(c.usagePage, e.usagePage);
    EXPECT_EQ(c.usage, e.usage);
    EXPECT_EQ(c.inputReportLength, e.input);
    EXPECT_EQ(c.outputReportLength, e.output);
    EXPECT_EQ(c.featureReportLength, e.feature);
    EXPECT_EQ(c.reportIds, e.ids);
    EXPECT_EQ(c.usesReportIds, !e.ids.empty());
}

// Mouse with report ID 1: 5 buttons, 3 bits padding, X/Y 16-bit, wheel 8-bit = 6 bytes.
const Bytes kMouseWithId = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x85, 0x01, 0x09, 0x01, 0xA1, 0x00,  //
    0x05, 0x09, 0x19, 0x01, 0x29, 0x05, 0x15, 0x00, 0x25, 0x01, 0x95, 0x05,  //
    0x75, 0x01, 0x81, 0x02, 0x95, 0x01, 0x75, 0x03, 0x81, 0x01,              //
    0x05, 0x01, 0x16, 0x01, 0x80, 0x26, 0xFF, 0x7F, 0x75, 0x10, 0x95, 0x02,  //
    0x09, 0x30, 0x09, 0x31, 0x81, 0x06,                                      //
    0x15, 0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x01, 0x09, 0x38, 0x81, 0x06,  //
    0xC0, 0xC0};
// Consumer control, report ID 2: one 16-bit usage index.
const Bytes kConsumerWithId = {
    0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x02, 0x15, 0x00, 0x26, 0xFF, 0x03,  //
    0x19, 0x00, 0x2A, 0xFF, 0x03, 0x75, 0x10, 0x95, 0x01, 0x81, 0x00, 0xC0};
// System control, report ID 3: 3 bits + 5 bits padding.
const Bytes kSystemWithId = {
    0x05, 0x01, 0x09, 0x80, 0xA1, 0x01, 0x85, 0x03, 0x19, 0x81, 0x29, 0x83, 0x15, 0x00,  //
    0x25, 0x01, 0x75, 0x01, 0x95, 0x03, 0x81, 0x02, 0x95, 0x05, 0x81, 0x01, 0xC0};
// Vendor collection: feature ID 4 (7 bytes); under Push, feature ID 5 (15 bytes) and
// output ID 5 (31 bytes); after Pop, input with the restored ID 4 and count 7.
const Bytes kVendorWithIds = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,  //
                              0x85, 0x04, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08,
                              0x95, 0x07, 0x09, 0x01,                                //
                              0xB1, 0x02,                                            //
                              0xA4, 0x85, 0x05, 0x95, 0x0F, 0x09, 0x02, 0xB1, 0x02,  //
                              0x95, 0x1F, 0x09, 0x03, 0x91, 0x02,                    //
                              0xB4, 0x09, 0x04, 0x81, 0x02, 0xC0};
// Plain boot mouse, no report IDs: 3 buttons + 5 bits padding, X, Y = 3 bytes.
const Bytes kBootMouse = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00,              //
    0x05, 0x09, 0x19, 0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x95, 0x03,  //
    0x75, 0x01, 0x81, 0x02, 0x95, 0x01, 0x75, 0x05, 0x81, 0x01,              //
    0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x15, 0x81, 0x25, 0x7F, 0x75, 0x08,  //
    0x95, 0x02, 0x81, 0x06, 0xC0, 0xC0};
// Vendor command collection, no report IDs: feature 8, input 32, output 32 bytes.
const Bytes kVendorCommand = {
    0x06, 0x00, 0xFF, 0x0A, 0x00, 0xFF, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00,  //
    0x75, 0x08, 0x95, 0x08, 0x09, 0x01, 0xB1, 0x02,                                //
    0x95, 0x20, 0x09, 0x02, 0x81, 0x02, 0x95, 0x20, 0x09, 0x03, 0x91, 0x02, 0xC0};
// Vendor event collection with report ID 6 and a 7-byte input report.
const Bytes kVendorEvent = {
    0x06, 0x01, 0xFF, 0x0A, 0x01, 0xFF, 0xA1, 0x01, 0x85, 0x06, 0x15, 0x00,  //
    0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x07, 0x09, 0x01, 0x81, 0x02, 0xC0};

TEST(ReportDescriptorTest, GamingMouseInterfaceYieldsEveryCollectionWithItsLengths) {
    const Bytes descriptor = Concat({kMouseWithId, kConsumerWithId, kSystemWithId, kVendorWithIds});
    const ParseResult r = ParseReportDescriptor(descriptor);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.collections.size(), 4u);
    // Inputs of one ID spread over several items add up; over several IDs the longest wins.
    ExpectCollection(r.collections[0], {0x0001, 0x0002, 7, 0, 0, {1}});
    ExpectCollection(r.collections[1], {0x000C, 0x0001, 3, 0, 0, {2}});
    ExpectCollection(r.collections[2], {0x0001, 0x0080, 2, 0, 0, {3}});
    ExpectCollection(r.collections[3], {0xFF00, 0x0001, 8, 32, 16, {4, 5}});
    EXPECT_EQ(r.collections[0].collectionType, 1);
}

TEST(ReportDescriptorTest, DescriptorsWithoutReportIdsStillCountTheIdByte) {
    ParseResult r = ParseReportDescriptor(kBootMouse);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.collections.size(), 1u);
    ExpectCollection(r.collections[0], {0x0001, 0x0002, 4, 0, 0, {}});

    r = ParseReportDescriptor(kVendorCommand);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.collections.size(), 1u);
    ExpectCollection(r.collections[0], {0xFF00, 0xFF00, 33, 33, 9, {}});
}

TEST(ReportDescriptorTest, CommandAndEventCollectionsSharingOneInterface) {
    const ParseResult r = ParseReportDescriptor(Concat({kVendorEvent, kVendorCommand}));
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.collections.size(), 2u);
    ExpectCollection(r.collections[0], {0xFF01, 0xFF01, 8, 0, 0, {6}});
    // The Report ID 6 stays in the global state, so the command reports travel as ID 6 here.
    ExpectCollection(r.collections[1], {0xFF00, 0xFF00, 33, 33, 9, {6}});

    // Without a shared global state (command first) the command collection uses no IDs.
    const ParseResult r2 = ParseReportDescriptor(Concat({kVendorCommand, kVendorEvent}));
    ASSERT_TRUE(r2.ok) << r2.error;
    ASSERT_EQ(r2.collections.size(), 2u);
    ExpectCollection(r2.collections[0], {0xFF00, 0xFF00, 33, 33, 9, {}});
    ExpectCollection(r2.collections[1], {0xFF01, 0xFF01, 8, 0, 0, {6}});
}

TEST(ReportDescriptorTest, ExtendedUsageCarriesItsOwnPageWithoutChangingTheCurrentOne) {
    const Bytes descriptor = {
        0x05, 0x01,                    // Usage Page (Generic Desktop)
        0x0B, 0x01, 0x00, 0x00, 0xFF,  // Usage (FF00:0001), extended
        0xA1, 0x01, 0x75, 0x08, 0x95, 0x08, 0x09, 0x01,
        0xB1, 0x02, 0xC0, 0x09, 0x06, 0xA1, 0x01, 0xC0,  // Usage (Keyboard) on Generic Desktop
        0xA1, 0x02, 0xC0,  // top-level Logical collection without Usage
    };
    const ParseResult r = ParseReportDescriptor(descriptor);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.collections.size(), 3u);
    ExpectCollection(r.collections[0], {0xFF00, 0x0001, 0, 0, 9, {}});
    ExpectCollection(r.collections[1], {0x0001, 0x0006, 0, 0, 0, {}});
    ExpectCollection(r.collections[2], {0, 0, 0, 0, 0, {}});
    EXPECT_EQ(r.collections[2].collectionType, 2);
}

TEST(ReportDescriptorTest, LongItemsAreSkippedWithoutParsingTheirPayload) {
    // The payload holds bytes that would open a collection if read as short items.
    const Bytes withLongItems =
        Concat({{0xFE, 0x02, 0x10, 0xA1, 0x01}, kBootMouse, {0xFE, 0x00, 0x11}});
    ParseResult r = ParseReportDescriptor(withLongItems);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.collections.size(), 1u);
    EXPECT_EQ(r.collections[0].inputReportLength, 4);

    // A long item that claims more bytes than remain.
    r = ParseReportDescriptor(Concat({kBootMouse, {0xFE, 0x05, 0x00, 0x01}}));
    EXPECT_FALSE(r.ok);
    ASSERT_EQ(r.collections.size(), 1u);
    EXPECT_EQ(r.collections[0].inputReportLength, 4);
}

TEST(ReportDescriptorTest, HugeReportsClampInsteadOfWrapping) {
    // Report Size and Report Count of 0xFFFFFFFF, twice: computed naively, the product
    // overflows 32 bits and the sum 64 bits.
    const Bytes descriptor = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,  //
                              0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81,
                              0x02, 0x81, 0x02, 0x75, 0x08, 0x95, 0x01, 0xB1, 0x02, 0xC0};
    const ParseResult r = ParseReportDescriptor(descriptor);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.collections.size(), 1u);
    EXPECT_EQ(r.collections[0].inputReportLength, 65535);
    EXPECT_EQ(r.collections[0].featureReportLength, 2);
}

TEST(ReportDescriptorTest, MalformedDescriptorsFailButKeepWhatWasParsed) {
    EXPECT_FALSE(ParseReportDescriptor({}).ok);

    // Every proper prefix is malformed; once the Collection item is in, it is still reported.
    for (std::size_t len = 0; len < kVendorCommand.size(); ++len) {
        SCOPED_TRACE(len);
        const ParseResult r = ParseReportDescriptor(std::span(kVendorCommand.data(), len));
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.error.empty());
        if (len >= 8) {
            ASSERT_EQ(r.collections.size(), 1u);
            EXPECT_EQ(r.collections[0].usagePage, 0xFF00);
        }
    }

    struct Case {
        const char* name;
        Bytes bytes;
        const char* where;
    };
    // Parsing goes on after each of these, so the boot mouse behind them is intact.
    const Case cases[] = {
        {"pop without push", Concat({{0xB4}, kBootMouse}), "offset 0"},
        {"end collection first", Concat({{0xC0}, kBootMouse}), "offset 0"},
        {"data item outside collection", Concat({{0x75, 0x08, 0x95, 0x04, 0x81, 0x02}, kBootMouse}),
         "offset 4"},
        {"report ID 0", Concat({{0x85, 0x00}, kBootMouse}), "offset 0"},
        {"report ID above 255", Concat({{0x86, 0x00, 0x01}, kBootMouse}), "offset 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ParseResult r = ParseReportDescriptor(c.bytes);
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.error.find(c.where), std::string::npos) << r.error;
        ASSERT_EQ(r.collections.size(), 1u);
        EXPECT_EQ(r.collections[0].inputReportLength, 4);
        EXPECT_FALSE(r.collections[0].usesReportIds);
    }
}

TEST(ReportDescriptorTest, DeepNestingAndEndlessPushesStayBounded) {
    constexpr std::size_t kDepth = 50000;
    Bytes nested = {0x09, 0x02};
    for (std::size_t i = 0; i < kDepth; ++i) {
        nested.insert(nested.end(), {0xA1, 0x00});
    }
    nested.insert(nested.end(), {0x75, 0x08, 0x95, 0x01, 0x81, 0x02});
    Bytes balanced = nested;
    balanced.insert(balanced.end(), kDepth, 0xC0);

    ParseResult r = ParseReportDescriptor(balanced);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.collections.size(), 1u);
    EXPECT_EQ(r.collections[0].inputReportLength, 2);

    r = ParseReportDescriptor(nested);  // never closed
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.collections.size(), 1u);

    Bytes pushes(kDepth, 0xA4);
    pushes.insert(pushes.end(), kBootMouse.begin(), kBootMouse.end());
    r = ParseReportDescriptor(pushes);
    EXPECT_FALSE(r.ok);
    ASSERT_EQ(r.collections.size(), 1u);
    EXPECT_EQ(r.collections[0].inputReportLength, 4);
}

TEST(ReportDescriptorTest, RandomAndMutatedBuffersNeverCrash) {
    std::mt19937 rng(20240611);
    const Bytes seed = Concat({kMouseWithId, kConsumerWithId, kVendorCommand, kVendorEvent});
    auto byte = [&rng] { return static_cast<std::uint8_t>(rng() & 0xFF); };
    for (int round = 0; round < 4000; ++round) {
        Bytes buffer;
        if (round % 2 == 0) {
            buffer.resize(rng() % 96);
            for (auto& b : buffer) {
                b = byte();
            }
        } else {
            buffer = seed;
            const int edits = 1 + static_cast<int>(rng() % 8);
            for (int e = 0; e < edits; ++e) {
                buffer[rng() % buffer.size()] = byte();
            }
            buffer.resize(rng() % (buffer.size() + 1));
        }
        const ParseResult r = ParseReportDescriptor(buffer);
        ASSERT_EQ(r.ok, r.error.empty());
    }
}

}  // namespace
}  // namespace ornyx::device

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "macros/MacroItems.h"
#include "macros/MacroPacking.h"

namespace ornyx::macros {
namespace {

using Items = std::vector<std::string>;
using Bytes = std::vector<std::uint8_t>;

// The slot's bytes from 2 on, up to the last non-zero one; checks the rest is zero.
Bytes Pairs(const PackedMacro& packed) {
    std::size_t end = kSlotSize;
    while (end > kFirstPairByte && packed.bytes[end - 1] == 0) --end;
    return Bytes(packed.bytes.begin() + kFirstPairByte,
                 packed.bytes.begin() + static_cast<long>(end));
}

TEST(MacroItemsTest, ParsesAndFormatsTheThreeKindsOfLine) {
    EXPECT_EQ(ParseItem("Right Ctrl   Up"), (MacroItem{ItemKind::Release, "Right Ctrl", 0}));
    EXPECT_EQ(ParseItem("L-Button   Dn"), (MacroItem{ItemKind::Press, "L-Button", 0}));
    EXPECT_EQ(ParseItem("50 ms"), (MacroItem{ItemKind::Delay, "", 50}));
    for (const char* line : {"A   Dn", "Num 1   Up", "1270 ms", "0 ms"}) {
        EXPECT_EQ(FormatItem(ParseItem(line)), line);
    }
    // The suffix is matched with its three blanks, anywhere, and removed everywhere.
    EXPECT_EQ(ParseItem("A Dn").kind, ItemKind::Delay);
    EXPECT_EQ(ParseItem("A   Dn   Dn").keyName, "A");
    EXPECT_EQ(ParseItem("   Up").keyName, "");
    // A line that is no event and no number is a delay of 0.
    EXPECT_EQ(ParseItem("garbage"), (MacroItem{ItemKind::Delay, "", 0}));
    EXPECT_EQ(ItemDelay(" ms"), 0);
}

TEST(MacroPackingTest, RecordedMacroPacksLoopCountAndPairs) {
    const PackedMacro packed = PackMacro(2, Items{"A   Dn", "50 ms", "A   Up"});
    EXPECT_EQ(packed.bytes[0], 0x00);
    EXPECT_EQ(packed.bytes[1], 0x02);
    // The last event has no delay line after it.
    EXPECT_EQ(Pairs(packed), (Bytes{0x05, 0x04, 0x80, 0x04}));
    EXPECT_EQ(packed.events, 2u);
    EXPECT_EQ(packed.dropped, 0u);
}

TEST(MacroPackingTest, DelaysUpTo1270TakeOnePairLongerOnesTwo) {
    struct Case {
        Items items;
        Bytes pairs;
    };
    const Case cases[] = {
        {{"A   Dn", "1270 ms"}, {0x7F, 0x04}},
        {{"A   Dn", "1271 ms"}, {71, 0x04, 12, 3}},
        {{"A   Up", "1271 ms"}, {0x80 | 71, 0x04, 12, 3}},
        {{"A   Dn", "10000 ms"}, {0, 0x04, 100, 3}},
        {{"L-Button   Dn", "2000 ms"}, {0x00, 0xF0, 0x14, 0x03}},
        {{"A   Dn", "9 ms", "A   Up"}, {0x00, 0x04, 0x80, 0x04}},
        // Delay lines before the first event, and two delays in a row, are skipped.
        {{"50 ms", "M-Button   Dn", "30 ms", "70 ms", "M-Button   Up"}, {0x03, 0xF2, 0x80, 0xF2}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Pairs(PackMacro(1, c.items)), c.pairs) << c.items[0] << " / " << c.items[1];
    }
}

TEST(MacroPackingTest, KeyNamesMatchExactlyOrPackAsZero) {
    EXPECT_EQ(Pairs(PackMacro(1, Items{"Num 1   Dn", "50 ms", "R-Button   Up"})),
              (Bytes{0x05, 0x59, 0x80, 0xF1}));
    const PackedMacro unknown = PackMacro(1, Items{"num 1   Dn", "50 ms", "Strg   Up"});
    EXPECT_EQ(unknown.bytes[3], 0x00);
    EXPECT_EQ(unknown.bytes[4], 0x80);
    EXPECT_EQ(unknown.bytes[5], 0x00);
}

TEST(MacroPackingTest, HandEditedDelaysStayWithinTheirFields) {
    // A negative delay would set the release flag of a press; too long a one would
    // spill into bit 7 of the second pair.
    EXPECT_EQ(Pairs(PackMacro(1, Items{"A   Dn", "-50 ms", "A   Up"})),
              (Bytes{0x00, 0x04, 0x80, 0x04}));
    EXPECT_EQ(Pairs(PackMacro(1, Items{"A   Dn", "99999999999999999999 ms"})),
              (Bytes{99, 0x04, 127, 3}));
    EXPECT_EQ(Pairs(PackMacro(1, Items{"A   Dn", "12800 ms"})), (Bytes{99, 0x04, 127, 3}));
    EXPECT_EQ(Pairs(PackMacro(1, Items{"A   Dn", "nonsense", "A   Up"})),
              (Bytes{0x00, 0x04, 0x80, 0x04}));
}

TEST(MacroPackingTest, LoopCountOutOfRangePacksAsOneAndNoItemsClearTheSlot) {
    for (std::int64_t n : {std::int64_t{0}, std::int64_t{-3}, std::int64_t{65536}}) {
        const PackedMacro packed = PackMacro(n, Items{"A   Dn"});
        EXPECT_EQ(packed.bytes[0], 0);
        EXPECT_EQ(packed.bytes[1], 1) << n;
    }
    const PackedMacro max = PackMacro(65535, Items{"A   Dn"});
    EXPECT_EQ(max.bytes[0], 0xFF);
    EXPECT_EQ(max.bytes[1], 0xFF);
    EXPECT_EQ(PackMacro(7, Items{}).bytes, MacroSlot{});
    // Items without any event keep the loop count.
    EXPECT_EQ(PackMacro(7, Items{"50 ms"}).bytes[1], 7);

    EXPECT_EQ(ParseLoopTimes("65535"), 65535);
    EXPECT_EQ(ParseLoopTimes("0"), std::nullopt);
    EXPECT_EQ(ParseLoopTimes("65536"), std::nullopt);
    EXPECT_EQ(LoopTimesOrOne("abc"), 1);
}

Items Events(std::size_t count, const std::string& delay = "50 ms") {
    Items items;
    for (std::size_t i = 0; i < count; ++i) {
        items.push_back(i % 2 == 0 ? "B   Dn" : "B   Up");
        items.push_back(delay);
    }
    return items;
}

TEST(MacroPackingTest, SurplusEventsAreDroppedWithinTheSlot) {
    const PackedMacro exact = PackMacro(1, Events(kMaxPairs));
    EXPECT_EQ(exact.dropped, 0u);
    EXPECT_EQ(exact.bytes[124], 0x85);  // event 62, a release of B
    EXPECT_EQ(exact.bytes[126], 0x05);  // event 63, a press of B
    EXPECT_EQ(exact.bytes[127], 0x05);

    const PackedMacro over = PackMacro(1, Events(kMaxPairs + 5));
    EXPECT_EQ(over.events, kMaxPairs + 5);
    EXPECT_EQ(over.dropped, 5u);
    EXPECT_EQ(over.bytes, exact.bytes);

    // A long delay needs two pairs: with one pair left it is dropped, and so is
    // every event after it, so the packed part stays the start of the macro.
    Items items = Events(kMaxPairs - 1);
    items.insert(items.end(), {"C   Dn", "2000 ms", "C   Up"});
    const PackedMacro split = PackMacro(1, items);
    EXPECT_EQ(split.dropped, 2u);
    EXPECT_EQ(split.bytes[126], 0);
    EXPECT_EQ(split.bytes[127], 0);
    EXPECT_EQ(split.bytes[125], 0x05);  // the last packed event is B's
}

}  // namespace
}  // namespace ornyx::macros

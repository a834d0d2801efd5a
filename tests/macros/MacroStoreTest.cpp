#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "macros/MacroPacking.h"
#include "macros/MacroStore.h"
#include "support/TempDir.h"

namespace ornyx::macros {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::TempDir;
using test::WriteText;
using Items = std::vector<std::string>;
using Bytes = std::vector<std::uint8_t>;

std::string Section(const std::string& name, const std::string& loop, const Items& items) {
    std::string s = "[" + name + "]\r\nMacroLoopTimes=" + loop +
                    "\r\nItemCount=" + std::to_string(items.size()) + "\r\n";
    for (std::size_t i = 0; i < items.size(); ++i) {
        s += "Item" + std::to_string(i) + "=" + items[i] + "\r\n";
    }
    return s;
}

// One press with a delay, so that each macro's slot shows whose it is.
std::string KeyMacro(const std::string& name, const std::string& key, int loop = 1) {
    return Section(name, std::to_string(loop), {key + "   Dn", "50 ms"});
}

struct Fixture {
    TempDir dir;
    fs::path record = dir / "record.ini";
    settings::SettingsImage image;
    RecordingMessageSink messages;
    MacroStore store{record, image, messages};

    Bytes Slot(std::size_t index) const {  // 0-based
        const auto s = image.macroSlot(index + 1);
        return Bytes(s.begin(), s.end());
    }
    Bytes SlotHead(std::size_t index) const {
        const Bytes s = Slot(index);
        return Bytes(s.begin(), s.begin() + 4);
    }
    MacroEditorState Select(int position) {
        MacroEditorState state;
        state.macroNames = ListMacroNames(record);
        state.selected = position;
        store.SelectMacro(state);
        return state;
    }
};

TEST(MacroStoreTest, ListingSeesOnlyNamesThatEndWithinTheFirst255Characters) {
    Fixture f;
    EXPECT_TRUE(ListMacroNames(f.record).empty());

    // Seven names of 31 characters fill 224 places with their terminators; an eighth
    // of 30 ends at place 254 and is seen, one of 31 ends at 255 and is not.
    std::string file;
    for (char c = 'a'; c < 'h'; ++c) file += KeyMacro(std::string(31, c), "A");
    WriteText(f.record, file + KeyMacro(std::string(30, 'h'), "A"));
    EXPECT_EQ(ListMacroNames(f.record).size(), 8u);
    WriteText(f.record, file + KeyMacro(std::string(31, 'h'), "A"));
    EXPECT_EQ(ListMacroNames(f.record).size(), 7u);

    // A section repeated by hand, in other letter case, keeps its place in the list
    // (macro numbers are list positions, as a Windows installation counted them);
    // both places read the first block.
    WriteText(f.record, KeyMacro("one", "A") + KeyMacro("two", "B") + KeyMacro("ONE", "C"));
    EXPECT_EQ(ListMacroNames(f.record), (Items{"one", "two", "ONE"}));
    EXPECT_EQ(PackMacros(f.record, f.image, f.messages), 3u);
    EXPECT_EQ(f.SlotHead(0), (Bytes{0, 1, 0x05, 0x04}));
    EXPECT_EQ(f.SlotHead(2), (Bytes{0, 1, 0x05, 0x04}));
}

TEST(MacroStoreTest, ReplacingWithTheSameMacrosChangesOnlyWhatReadsDifferently) {
    Fixture f;
    // A CR-only file with a comment and a quoted item: read back as it is, it is
    // written back as it is.
    const std::string file =
        "; mine\r[A]\rMacroLoopTimes=2\rItemCount=3\rItem0=\"X   Dn\"\rItem1=50 ms\r"
        "Item2=X   Up\r[B]\rItemCount=0\r";
    WriteText(f.record, file);
    std::vector<NamedMacro> all = *ReadAllMacros(f.record);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].macro.items[0], "X   Dn");
    ASSERT_TRUE(ReplaceAllMacros(f.record, all).ok);
    EXPECT_EQ(ReadText(f.record), file);

    // Fewer items: the ones the old count covered go; the rest stays in place.
    all[0].macro.items.pop_back();
    all[0].macro.loopTimes = "4";
    ASSERT_TRUE(ReplaceAllMacros(f.record, all).ok);
    EXPECT_EQ(ReadText(f.record),
              "; mine\r[A]\rMacroLoopTimes=4\rItemCount=2\rItem0=\"X   Dn\"\rItem1=50 "
              "ms\r[B]\rItemCount=0\r");

    // Other names or another order: the sections are written anew, in the new order.
    std::swap(all[0], all[1]);
    ASSERT_TRUE(ReplaceAllMacros(f.record, all).ok);
    EXPECT_EQ(ListMacroNames(f.record), (Items{"B", "A"}));
    EXPECT_EQ(ReadMacro(f.record, "A")->items, (Items{"X   Dn", "50 ms"}));
    EXPECT_EQ(ReadText(f.record).find("; mine\r"), 0u);

    // What a profile cannot carry is named.
    WriteText(f.record, "[M]\rItemCount=1\rItem0=A   Dn\rItem3=old\r[m]\rItemCount=0\r");
    const std::vector<std::string> notes = UncarriedContent(f.record);
    EXPECT_EQ(notes, (Items{"macro \"M\": the line \"Item3\"",
                            "the second block of macro \"m\" (the first one is the macro)"}));
    EXPECT_EQ(ReadAllMacros(f.record)->size(), 1u);
}

// A hand-made section of 1024 items among thousands of other lines, its items
// out of order: read, exported and rewritten as a short one would be.
TEST(MacroStoreTest, LongSectionWithManyOtherLinesReadsAndRewritesExactly) {
    Fixture f;
    std::string file = "[Long]\r\nMacroLoopTimes=2\r\nItemCount=1024\r\n";
    Items items(1024);
    for (std::size_t j = 0; j < 1024; ++j) {
        const std::size_t n = 1023 - j;
        items[n] = (n % 2 ? "A   Up" : "A   Dn");
        for (int k = 0; k < 20; ++k) file += "n=1\r\n";
        file += "Item" + std::to_string(n) + "=" + items[n] + "\r\n";
    }
    file += "item5=second copy\r\nItem1024=beyond\r\n" + KeyMacro("Short", "B");
    WriteText(f.record, file);

    const auto read = ReadForExport(f.record, 3);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->macros.size(), 2u);
    EXPECT_EQ(read->macros[0].macro.items, items);
    EXPECT_EQ(read->macros[0].macro.loopTimes, "2");
    EXPECT_EQ(read->uncarried, (Items(3, "macro \"Long\": the line \"n\"")));
    // The filler lines and Item1024 (the second item5 line goes with the item, as before).
    EXPECT_EQ(read->moreUncarried, 1024u * 20 + 1 - 3);
    EXPECT_EQ(UncarriedContent(f.record).back(), "macro \"Long\": the line \"Item1024\"");
    EXPECT_EQ(PackMacros(f.record, f.image, f.messages), 2u);

    // Import of the same macros with fewer items and one changed: those lines only.
    std::vector<NamedMacro> all = read->macros;
    all[0].macro.items.resize(1000);
    all[0].macro.items[5] = "C   Up";
    ASSERT_TRUE(ReplaceAllMacros(f.record, all).ok);
    std::string expected = file;
    expected.replace(expected.find("ItemCount=1024"), 14, "ItemCount=1000");
    expected.replace(expected.find("Item5=A   Up"), 12, "Item5=C   Up");
    for (std::size_t n = 1000; n < 1024; ++n) {
        const std::string line = "Item" + std::to_string(n) + "=" + items[n] + "\r\n";
        expected.erase(expected.find(line), line.size());
    }
    EXPECT_EQ(ReadText(f.record), expected);

    // More items than before: the new ones go after the section's last item line.
    all[0].macro.items.push_back("D   Dn");
    ASSERT_TRUE(ReplaceAllMacros(f.record, all).ok);
    expected.replace(expected.find("ItemCount=1000"), 14, "ItemCount=1001");
    expected.insert(expected.find("[Short]"), "Item1000=D   Dn\r\n");
    EXPECT_EQ(ReadText(f.record), expected);
    EXPECT_EQ(ReadAllMacros(f.record)->at(0).macro.items, all[0].macro.items);
}

TEST(MacroStoreTest, PackingFollowsFileOrderAndTouchesOnlyTheSlotsOfTwelveSections) {
    Fixture f;
    f.image.bytes.fill(0xEE);
    std::string file;
    for (int i = 0; i < 14; ++i) {
        file +=
            KeyMacro("m" + std::to_string(i), std::string(1, static_cast<char>('A' + i)), i + 1);
    }
    WriteText(f.record, file);
    EXPECT_EQ(PackMacros(f.record, f.image, f.messages), 12u);
    for (std::size_t h = 0; h < 12; ++h) {
        const Bytes slot = f.Slot(h);
        EXPECT_EQ(slot[1], h + 1);
        EXPECT_EQ(slot[3], 0x04 + h);
        EXPECT_TRUE(std::all_of(slot.begin() + 4, slot.end(), [](auto b) { return b == 0; }));
    }
    // The 13th and 14th sections have no slot: nothing past the macro area changed.
    EXPECT_TRUE(std::all_of(f.image.bytes.begin() + 1920, f.image.bytes.end(),
                            [](auto b) { return b == 0xEE; }));
    EXPECT_TRUE(std::all_of(f.image.bytes.begin(), f.image.bytes.begin() + 384,
                            [](auto b) { return b == 0xEE; }));

    // Fewer sections leave the later slots as they were; ItemCount 0 clears a slot whole.
    WriteText(f.record, KeyMacro("x", "A") + Section("empty", "9", {}));
    EXPECT_EQ(PackMacros(f.record, f.image, f.messages), 2u);
    EXPECT_EQ(f.Slot(1), Bytes(kSlotSize, 0));
    EXPECT_EQ(f.Slot(2)[1], 3);
    EXPECT_TRUE(f.messages.messages.empty());
}

TEST(MacroStoreTest, HandEditedFilesNeitherCrashNorHang) {
    Fixture f;
    f.image.bytes.fill(0xEE);
    WriteText(f.record,
              std::string("[negative]\r\nMacroLoopTimes=2\r\nItemCount=-5\r\nItem0=A   Dn\r\n") +
                  "[huge]\r\nMacroLoopTimes=99999999999\r\nItemCount=4000000000\r\nItem0=A   Dn\r\n"
                  "Item1=50 ms\r\nItem5=B   Up\r\n" +
                  "[words]\r\nMacroLoopTimes=often\r\nItemCount=three\r\nItem0=A   Dn\r\n" +
                  "[garbage]\r\nMacroLoopTimes= 3\r\nItemCount= 4\r\nItem0=A   "
                  "Dn\r\nItem1=\x01\x02 ms\r\n"
                  "Item2=Strg   Up\r\nItem3==\r\n" +
                  "[no keys]\r\n");
    EXPECT_EQ(PackMacros(f.record, f.image, f.messages), 5u);
    EXPECT_EQ(f.Slot(0), Bytes(kSlotSize, 0));
    // Missing item keys read as empty lines, which pack as nothing.
    EXPECT_EQ(f.SlotHead(1), (Bytes{0, 1, 0x05, 0x04}));
    EXPECT_EQ(f.Slot(1)[4], 0x80);  // B's release
    EXPECT_EQ(f.Slot(1)[5], 0x05);
    EXPECT_EQ(f.Slot(2), Bytes(kSlotSize, 0));
    EXPECT_EQ(f.SlotHead(3), (Bytes{0, 3, 0x00, 0x04}));
    EXPECT_EQ(f.Slot(3)[4], 0x80);  // a name not in the key table packs as code 0
    EXPECT_EQ(f.Slot(3)[5], 0x00);
    EXPECT_EQ(f.Slot(4), Bytes(kSlotSize, 0));

    // The editor is shown at most kMaxItems lines, missing ones empty.
    const MacroEditorState huge = f.Select(1);
    ASSERT_EQ(huge.items.size(), kMaxItems);
    EXPECT_EQ(huge.items[1], "50 ms");
    EXPECT_EQ(huge.items[2], "");
    EXPECT_EQ(huge.items[5], "B   Up");
    EXPECT_EQ(huge.loopTimes, "1");
    EXPECT_TRUE(f.Select(0).items.empty());
}

TEST(MacroStoreTest, OverlongMacroIsPackedAsFarAsItFitsAndReported) {
    Fixture f;
    Items items;
    for (int i = 0; i < 70; ++i) items.insert(items.end(), {"C   Dn", "50 ms"});
    WriteText(f.record, Section("long one", "1", items) + KeyMacro("next", "D"));
    EXPECT_EQ(PackMacros(f.record, f.image, f.messages), 2u);
    EXPECT_EQ(f.Slot(0)[127], 0x06);
    EXPECT_EQ(f.SlotHead(1), (Bytes{0, 1, 0x05, 0x07}));  // the next slot is intact
    ASSERT_EQ(f.messages.messages.size(), 1u);
    EXPECT_EQ(f.messages.messages[0].text, MacroTooLongText("long one", 7, 70));
    EXPECT_NE(f.messages.messages[0].text.find("\"long one\""), std::string::npos);
    EXPECT_EQ(f.messages.messages[0].caption, "Warning");
}

TEST(MacroStoreTest, NewNamesAreCheckedAndStayOnScreenOnly) {
    Fixture f;
    MacroEditorState state;
    state.items = {"A   Dn"};
    auto create = [&](const std::string& name) {
        f.messages.messages.clear();
        state.name = name;
        return f.store.CreateMacro(state);
    };
    auto lastText = [&] {
        return f.messages.messages.empty() ? std::string() : f.messages.messages.back().text;
    };

    EXPECT_FALSE(create(""));
    EXPECT_EQ(lastText(), "Macro name is blank");
    EXPECT_FALSE(create("   "));
    EXPECT_EQ(lastText(), "Macro name is blank");
    for (const char* bad : {"a[b", "a]", "two\nlines", "cr\r"}) {
        EXPECT_FALSE(create(bad)) << bad;
        EXPECT_EQ(lastText(), MacroTexts{}.nameInvalid);
    }
    EXPECT_FALSE(create(std::string(32, 'x')));
    EXPECT_EQ(lastText(), MacroTexts{}.nameTooLong);
    EXPECT_EQ(f.messages.messages.back().caption, "Warning");
    EXPECT_TRUE(state.macroNames.empty());

    // 31 characters are allowed, counted as characters, not bytes.
    std::string cjk;
    for (int i = 0; i < 31; ++i) cjk += "宏";
    EXPECT_TRUE(create(cjk));
    EXPECT_TRUE(state.items.empty());
    EXPECT_EQ(state.selected, 0);
    EXPECT_TRUE(create(std::string(31, 'x')));
    EXPECT_TRUE(create(" Copy "));
    EXPECT_EQ(state.macroNames.back(), "Copy");
    EXPECT_EQ(state.selected, 2);

    for (const char* same : {"copy", "COPY", "  cOpY"}) {
        EXPECT_FALSE(create(same)) << same;
        EXPECT_EQ(lastText(), "Macro name already exists");
    }
    for (int i = 3; i < 12; ++i) ASSERT_TRUE(create("m" + std::to_string(i)));
    EXPECT_FALSE(create("brand new"));
    ASSERT_EQ(f.messages.messages.size(), 1u);
    EXPECT_EQ(f.messages.messages[0].text, "Macro numbers up to 12.");
    EXPECT_EQ(f.messages.messages[0].caption, "Warning");
    EXPECT_EQ(state.macroNames.size(), 12u);
    EXPECT_FALSE(fs::exists(f.record));

    EXPECT_EQ(MacroTexts::For(i18n::Language::Turkish).nameBlank, "Makro adı giriniz");
}

TEST(MacroStoreTest, ConfirmMovesTheSectionLastAndRepacksInFileOrder) {
    Fixture f;
    WriteText(f.record,
              KeyMacro("first", "A", 4) + KeyMacro("second", "B") + KeyMacro("third", "C"));
    MacroEditorState state = f.Select(0);
    EXPECT_EQ(state.name, "first");
    EXPECT_EQ(state.loopTimes, "4");
    state.items = {"Z   Dn", "2000 ms", "Z   Up"};
    ASSERT_TRUE(f.store.ConfirmMacro(state));

    EXPECT_EQ(ListMacroNames(f.record), (Items{"second", "third", "first"}));
    EXPECT_EQ(state.macroNames, (Items{"first", "second", "third"}));  // the list keeps its order
    const std::string text = ReadText(f.record);
    EXPECT_NE(text.find(Section("first", "4", {"Z   Dn", "2000 ms", "Z   Up"})), std::string::npos);
    EXPECT_EQ(f.SlotHead(0), (Bytes{0, 1, 0x05, 0x05}));
    EXPECT_EQ(f.SlotHead(1), (Bytes{0, 1, 0x05, 0x06}));
    Bytes moved(kSlotSize, 0);
    std::ranges::copy(Bytes{0, 4, 0x00, 0x1D, 20, 3, 0x80, 0x1D}, moved.begin());
    EXPECT_EQ(f.Slot(2), moved);

    // The loop count of the moved macro goes to the slot it is packed in, not to the
    // slot of its place on screen, which now belongs to another macro.
    state.loopTimes = "300";
    f.store.SetLoopTimes(state);
    EXPECT_EQ(f.SlotHead(2), (Bytes{0x01, 0x2C, 0x00, 0x1D}));
    EXPECT_EQ(f.SlotHead(0), (Bytes{0, 1, 0x05, 0x05}));
    EXPECT_EQ(ReadMacro(f.record, "first")->loopTimes, "300");
}

TEST(MacroStoreTest, ConfirmWithoutItemsClearsOnlyTheSlot) {
    Fixture f;
    WriteText(f.record, KeyMacro("a", "A") + KeyMacro("b", "B", 3));
    PackMacros(f.record, f.image, f.messages);
    MacroEditorState state = f.Select(1);
    const std::string before = ReadText(f.record);
    state.items.clear();
    EXPECT_TRUE(f.store.ConfirmMacro(state));
    EXPECT_EQ(f.Slot(1), Bytes(kSlotSize, 0));
    EXPECT_EQ(f.SlotHead(0), (Bytes{0, 1, 0x05, 0x04}));
    EXPECT_EQ(ReadText(f.record), before);

    state.selected = -1;
    EXPECT_FALSE(f.store.ConfirmMacro(state));
}

TEST(MacroStoreTest, DeleteRemovesTheSectionAndTheNextConfirmRenumbers) {
    Fixture f;
    WriteText(f.record, KeyMacro("a", "A") + KeyMacro("b", "B") + KeyMacro("c", "C"));
    PackMacros(f.record, f.image, f.messages);
    MacroEditorState state = f.Select(1);
    ASSERT_TRUE(f.store.DeleteMacro(state));
    EXPECT_EQ(state.macroNames, (Items{"a", "c"}));
    EXPECT_EQ(state.selected, -1);
    EXPECT_TRUE(state.items.empty());
    EXPECT_EQ(state.name, "");
    EXPECT_EQ(ListMacroNames(f.record), (Items{"a", "c"}));
    EXPECT_EQ(f.SlotHead(1), (Bytes{0, 1, 0x05, 0x05}));  // untouched until the next pack
    EXPECT_FALSE(f.store.DeleteMacro(state));

    state.selected = 0;
    f.store.SelectMacro(state);
    ASSERT_TRUE(f.store.ConfirmMacro(state));
    EXPECT_EQ(f.SlotHead(0), (Bytes{0, 1, 0x05, 0x06}));  // c
    EXPECT_EQ(f.SlotHead(1), (Bytes{0, 1, 0x05, 0x04}));  // a, now last
    EXPECT_TRUE(f.messages.messages.empty());
}

TEST(MacroStoreTest, LoopTimesAreValidatedAndWrittenToSectionAndSlot) {
    Fixture f;
    MacroEditorState state;
    for (const char* bad : {"0", "65536", "-2", "x", ""}) {
        state.loopTimes = bad;
        f.store.SetLoopTimes(state);
        EXPECT_EQ(state.loopTimes, "1") << bad;
    }
    EXPECT_FALSE(fs::exists(f.record));  // nothing selected: nothing written

    // A new macro gets its section from its first loop count, at the end of the file.
    WriteText(f.record, KeyMacro("old", "A"));
    state.macroNames = {"old"};
    state.name = "new";
    ASSERT_TRUE(f.store.CreateMacro(state));
    state.loopTimes = "513";
    f.store.SetLoopTimes(state);
    EXPECT_EQ(ListMacroNames(f.record), (Items{"old", "new"}));
    EXPECT_EQ(ReadMacro(f.record, "new")->loopTimes, "513");
    EXPECT_EQ(f.SlotHead(1), (Bytes{0x02, 0x01, 0, 0}));

    // Selecting a macro whose stored count is not a number stores 1.
    WriteText(f.record, KeyMacro("old", "A") + Section("odd", "often", {"A   Dn"}));
    f.Select(1);
    EXPECT_EQ(ReadMacro(f.record, "odd")->loopTimes, "1");
}

TEST(MacroStoreTest, PanelStartsFromTheFirstMacroWithTheLoopCountOfItsSlot) {
    Fixture f;
    MacroEditorState state;
    state.loopTimes = "junk";
    f.store.LoadPanel(state);
    EXPECT_TRUE(state.macroNames.empty());
    EXPECT_EQ(state.selected, -1);
    EXPECT_EQ(state.loopTimes, "1");

    WriteText(f.record, Section("one", "5", {"A   Dn", "50 ms", "A   Up"}) + KeyMacro("two", "B"));
    f.image.macroSlot(1)[1] = 9;
    f.store.LoadPanel(state);
    EXPECT_EQ(state.macroNames, (Items{"one", "two"}));
    EXPECT_EQ(state.selected, 0);
    EXPECT_EQ(state.name, "one");
    EXPECT_EQ(state.items, (Items{"A   Dn", "50 ms", "A   Up"}));
    EXPECT_EQ(state.loopTimes, "9");
    EXPECT_EQ(ReadMacro(f.record, "one")->loopTimes, "9");
}

TEST(MacroStoreTest, UnstorableItemsAndUnwritableFilesAreReportedNotLost) {
    Fixture f;
    WriteText(f.record, KeyMacro("a", "A"));
    const std::string before = ReadText(f.record);
    MacroEditorState state = f.Select(0);
    state.items = {"A   Dn", "50 ms\r\n[evil]"};
    EXPECT_FALSE(f.store.ConfirmMacro(state));
    EXPECT_EQ(ReadText(f.record), before);
    ASSERT_EQ(f.messages.messages.size(), 1u);
    EXPECT_NE(f.messages.messages[0].text.find("\"a\""), std::string::npos);

    // A folder in the file's place is neither read nor replaced.
    Fixture g;
    fs::create_directory(g.record);
    MacroEditorState other;
    other.name = "m";
    ASSERT_TRUE(g.store.CreateMacro(other));
    other.items = {"A   Dn"};
    EXPECT_FALSE(g.store.ConfirmMacro(other));
    EXPECT_EQ(g.messages.messages.size(), 1u);
    EXPECT_TRUE(fs::is_directory(g.record));
    EXPECT_EQ(PackMacros(g.record, g.image, g.messages), 0u);
}

}  // namespace
}  // namespace ornyx::macros

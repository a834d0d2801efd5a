// The document keeps an index of its sections so that big files stay linear;
// these edits move lines around it and must never leave it stale.
#include <gtest/gtest.h>

#include <string>

#include "profile/PrivateProfile.h"

namespace ornyx::profile {
namespace {

IniDocument Parse(std::string_view text) {
    return IniDocument::Parse(
        std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

// The same questions asked of the edited document and of its bytes read afresh.
void ExpectSameAsReread(const IniDocument& doc,
                        std::initializer_list<std::pair<const char*, const char*>> keys) {
    const auto bytes = doc.Serialize().value();
    const IniDocument reread = IniDocument::Parse(bytes);
    EXPECT_EQ(doc.SectionNames(), reread.SectionNames());
    for (const auto& [section, key] : keys) {
        EXPECT_EQ(doc.Get(section, key), reread.Get(section, key)) << section << "/" << key;
    }
}

TEST(IniIndexTest, EditsInTheMiddleAndAtTheEndKeepLookupsRight) {
    IniDocument doc = Parse("; head\r\n[A]\r\nk=1\r\n\r\n[B]\r\nk=2\r\n[a]\r\nj=3\r\n");
    EXPECT_EQ(doc.Get("a", "k"), "1");  // the index is built here; first block only
    EXPECT_EQ(doc.Get("a", "j"), std::nullopt);
    doc.Set("A", "new", "x");  // inserted in the middle: B moves down
    EXPECT_EQ(doc.Get("B", "k"), "2");
    EXPECT_EQ(doc.Get("A", "new"), "x");
    doc.Set("C", "k", "4");  // appended: a new last block
    doc.Set("C", "l", "5");  // appended to it
    doc.Set("B", "m", "6");  // in the middle again
    EXPECT_EQ(doc.Get("c", "L"), "5");
    EXPECT_EQ(doc.Get("B", "m"), "6");
    doc.RemoveKey("a", "j");  // from the second [a] block
    EXPECT_EQ(doc.Get("A", "j"), std::nullopt);
    doc.RemoveSection("B");
    EXPECT_EQ(doc.Get("C", "k"), "4");
    EXPECT_EQ(doc.SectionNames(), (std::vector<std::string>{"A", "a", "C"}));
    ExpectSameAsReread(doc, {{"A", "k"}, {"A", "new"}, {"C", "k"}, {"C", "l"}, {"B", "k"}});
}

TEST(IniIndexTest, RemovingAllSectionsKeepsTheHeadAndTheNamelessBlock) {
    IniDocument doc = Parse("; head\n[A]\nk=1\n[]\nz=9\n[B]\nk=2");
    EXPECT_TRUE(doc.RemoveAllSections());
    EXPECT_TRUE(doc.SectionNames().empty());
    doc.Set("N", "k", "v");
    const auto bytes = doc.Serialize().value();
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "; head\n[]\nz=9\n[N]\nk=v\n");
    EXPECT_FALSE(Parse("; only a head\n").RemoveAllSections());
}

TEST(IniIndexTest, ManySectionsAreListedInFileOrder) {
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += "[S" + std::to_string(i) + "]\nk=" + std::to_string(i) + "\n";
    text += "[s5]\nk=dup\n";
    IniDocument doc = Parse(text);
    const auto names = doc.SectionNames();
    ASSERT_EQ(names.size(), 20001u);  // every block, as Windows lists them
    EXPECT_EQ(names[19999], "S19999");
    EXPECT_EQ(names[20000], "s5");
    EXPECT_EQ(doc.Get("s5", "k"), "5");  // first block wins
    EXPECT_EQ(doc.Get("S19999", "k"), "19999");
}

std::string Text(const IniDocument& doc) {
    const auto bytes = doc.Serialize();
    if (!bytes) return "(cannot be written)";
    return std::string(bytes->begin(), bytes->end());
}

// The one-pass readers and the batch update give exactly what the key-by-key
// calls give, on files with the awkward cases: repeated keys and sections, bare
// and comment lines, blank lines before the next header, no final line end.
TEST(IniIndexTest, BatchReadsAndUpdatesMatchKeyByKeyCalls) {
    const std::vector<std::string> files = {
        "; head\r\n[A]\r\nk=1\r\nK = \"2\"\r\nbare\r\n;c=3\r\n\r\n; next\r\n[B]\r\nx=1\r\n"
        "[a]\r\nk=9\r\nz=8\r\n[C]\r\nlast=1",
        "[A]\nk=1\n[A]\nk=2\nj=3\n",
        "[B]\r\n; only a comment\r\n",
        "",
    };
    struct Update {
        std::vector<std::string> remove;
        std::vector<std::pair<std::string, std::string>> set;
    };
    const std::vector<std::pair<std::string, Update>> updates = {
        {"A", {{"k", "bare", "none"}, {{"k", "new"}, {"j", "1"}, {"J", "2"}, {"z", "\"q\""}}}},
        {"b", {{"x"}, {{"y", "1"}, {"y", "1"}, {"x", "back"}}}},
        {"New", {{}, {{"a", "1"}, {"b", "2"}, {"A", "3"}}}},
        {"C", {{}, {{"last", "1"}, {"next", "2"}}}},
        {"Later", {{"q"}, {}}},
    };
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        IniDocument one = Parse(file);
        IniDocument batch = Parse(file);
        std::vector<std::vector<ProfileEntry>> entries;
        std::vector<IniDocument::SectionUpdate> batchUpdates;
        for (const auto& [section, u] : updates) {
            auto& list = entries.emplace_back();
            for (const auto& [key, value] : u.set) list.push_back({key, value});
        }
        for (std::size_t i = 0; i < updates.size(); ++i) {
            batchUpdates.push_back({updates[i].first, updates[i].second.remove, entries[i]});
        }
        // Twice: the second round finds the first one's lines.
        for (int round = 0; round < 2; ++round) {
            bool changedOne = false;
            for (const auto& [section, u] : updates) {
                for (const std::string& key : u.remove)
                    changedOne = one.RemoveKey(section, key) || changedOne;
                for (const auto& [key, value] : u.set)
                    changedOne = one.Set(section, key, value) || changedOne;
            }
            EXPECT_EQ(batch.Update(batchUpdates), changedOne) << round;
            EXPECT_EQ(Text(batch), Text(one)) << round;
            ExpectSameAsReread(batch, {{"A", "k"}, {"New", "a"}, {"b", "x"}});
        }
        const IniDocument doc = Parse(file);
        for (const char* section : {"A", "a", "B", "C", "none", ""}) {
            const IniDocument::KeyTable table = doc.Keys(section);
            for (const char* key :
                 {"k", "K", " k ", "bare", ";c", "z", "x", "last", "missing", ""}) {
                EXPECT_EQ(table.Get(key), doc.Get(section, key)) << section << "/" << key;
            }
        }
    }
}

// A line that could not be read is written back from its bytes only until it
// changes; the one-pass update changes it like the single calls do.
TEST(IniIndexTest, BatchUpdateOfAnUnreadableLineWritesTheNewValue) {
    const std::string gbk = "[m]\r\nLoopTimes=\xD7\xF3\xFF\r\nItem1=\xD7\xF3\r\n";
    const std::vector<std::uint8_t> bytes(gbk.begin(), gbk.end());
    for (bool batch : {false, true}) {
        IniDocument doc = IniDocument::Parse(bytes, 936);
        if (batch) {
            const ProfileEntry set[] = {{"LoopTimes", "2"}};
            const IniDocument::SectionUpdate update{"m", {}, set};
            doc.Update(std::span(&update, 1));
        } else {
            doc.Set("m", "LoopTimes", "2");
        }
        EXPECT_EQ(Text(doc), "[m]\r\nLoopTimes=2\r\nItem1=\xD7\xF3\r\n") << batch;
    }
}

}  // namespace
}  // namespace ornyx::profile

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

}  // namespace
}  // namespace ornyx::profile

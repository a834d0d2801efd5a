#include "common/CodePage.h"

#include <gtest/gtest.h>

#include <array>
#include <string_view>

namespace ornyx::codepage {
namespace {

// Each piece is decoded on its own: a bad sequence spoils its own piece only,
// and only the bytes it covers.
TEST(CodePageTest, DecodeEachMarksOnlyThePiecesThatDoNotDecodeExactly) {
    const std::array<std::string_view, 6> gbk = {
        "Item1=\xD7\xF3\xBC\xFC",          // 左键
        "Item2=\xD7\xF3\xAA\xA1\xBC\xFC",  // a user-defined character between them
        "\xFF=A",                          // a byte that starts nothing
        "\xD7=1",                          // a lead byte before '=': the '=' stays
        "x\xD7",                           // a lead byte at the end
        "",
    };
    const std::vector<Decoded> d = DecodeEach(gbk, kChineseSimplified);
    ASSERT_EQ(d.size(), gbk.size());
    EXPECT_EQ(d[0].text, "Item1=左键");
    EXPECT_TRUE(d[0].exact);
    EXPECT_EQ(d[1].text, "Item2=左\uFFFD键");
    EXPECT_FALSE(d[1].exact);
    EXPECT_EQ(d[2].text, "\uFFFD=A");
    EXPECT_EQ(d[3].text, "\uFFFD=1");
    EXPECT_EQ(d[4].text, "x\uFFFD");
    EXPECT_FALSE(d[2].exact || d[3].exact || d[4].exact);
    EXPECT_TRUE(d[5].exact);

    // Big5 has characters twice: the second code reads, but would not be
    // written back as the same bytes.
    const std::array<std::string_view, 2> big5 = {"\xA4\x51", "\xA2\xCC"};
    const std::vector<Decoded> b = DecodeEach(big5, kChineseTraditional);
    ASSERT_EQ(b.size(), 2u);
    EXPECT_EQ(b[0].text, "十");
    EXPECT_TRUE(b[0].exact);
    EXPECT_EQ(b[1].text, "十");
    EXPECT_FALSE(b[1].exact);

    // 1252 leaves a few bytes without a character.
    const std::array<std::string_view, 1> western = {"Caf\xE9 \x81"};
    EXPECT_EQ(DecodeEach(western, kWestern).at(0).text, "Café \uFFFD");

    EXPECT_TRUE(DecodeEach(western, 12345).empty());
}

}  // namespace
}  // namespace ornyx::codepage

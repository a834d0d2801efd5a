#include "common/CodePage.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

#include "common/Utf8.h"

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

// Every system reads a file the same: a byte a code page leaves without a
// character is unreadable (never a control character), and a user-defined
// GBK character is too (never a private-use one), both ways.
TEST(CodePageTest, BytesWithoutACharacterFailTheSameEverywhere) {
    const struct {
        unsigned codePage;
        std::string_view undefined;
    } pages[] = {{kWestern, "\x81\x8D\x8F\x90\x9D"}, {kTurkish, "\x81\x8D\x8E\x8F\x90\x9D\x9E"}};
    for (const auto& page : pages) {
        for (int byte = 0x80; byte <= 0xFF; ++byte) {
            const std::string one(1, static_cast<char>(byte));
            const bool undefined = page.undefined.find(one) != std::string_view::npos;
            EXPECT_EQ(Decode(one, page.codePage).has_value(), !undefined)
                << page.codePage << " byte " << byte;
            // The C1 control a system may take such a byte for has no place either.
            const std::string control = utf8::FromUtf16(std::u16string(1, char16_t(byte)));
            if (undefined) {
                EXPECT_FALSE(Encode(control, page.codePage)) << byte;
            }
        }
        EXPECT_EQ(Decode("\x80\x9F", page.codePage), "\u20AC\u0178");
    }
    EXPECT_FALSE(Decode("\xAA\xA1", kChineseSimplified));
    EXPECT_FALSE(Encode("\uE000", kChineseSimplified));
    EXPECT_EQ(Decode("\x80", kChineseSimplified), "\u20AC");
    EXPECT_EQ(Decode("\xD7\xF3", kChineseSimplified), "左");
}

// A folder name in any script survives the way from UTF-8 text to a path and
// back on each system (Windows keeps paths in UTF-16).
TEST(Utf8PathTest, PathsAndUtf8TextConvertBothWaysWithoutLoss) {
    for (const std::string text :
         {"plain", "Папка 文件夹", "Ağ ayarları/Skins", "emoji \xF0\x9F\x96\xB1"}) {
        SCOPED_TRACE(text);
        const std::filesystem::path path = utf8::ToPath(text);
        EXPECT_EQ(utf8::FromPath(path), text);
    }
}

}  // namespace
}  // namespace ornyx::codepage

#include <gtest/gtest.h>

#include <filesystem>

#include "i18n/TextSettings.h"
#include "i18n/Texts.h"
#include "profile/PrivateProfile.h"
#include "support/TempDir.h"

namespace ornyx::i18n {
namespace {

namespace fs = std::filesystem;
using settings::Mode;
using test::ReadBytes;
using test::ReadText;
using test::TempDir;
using test::WriteBytes;
using test::WriteText;

std::vector<std::uint8_t> Utf16LeWithBom(std::u16string_view s) {
    std::vector<std::uint8_t> out{0xFF, 0xFE};
    for (const char16_t u : s) {
        out.push_back(static_cast<std::uint8_t>(u & 0xFF));
        out.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return out;
}

ButtonLabels SampleLabels() {
    ButtonLabels labels;
    for (std::size_t i = 0; i < labels.size(); ++i) labels[i] = "标签 " + std::to_string(i);
    labels[3] = "组合键-Left Ctrl+A";
    labels[12] = "单键-";  // ends at the separator: nothing after it must be lost
    labels[23] = "";
    return labels;
}

TEST(TextSettingsTest, LabelKeysFollowTheStoredLayout) {
    EXPECT_EQ(LabelKey(0), "Item1");
    EXPECT_EQ(LabelKey(11), "Item12");
    EXPECT_EQ(LabelKey(LabelIndex(Mode::B, 0)), "Item13");
    EXPECT_EQ(LabelKey(LabelIndex(Mode::B, 1)), "Item23");
    EXPECT_EQ(LabelKey(LabelIndex(Mode::B, 11)), "Item123");
    EXPECT_EQ(LabelKey(24), "");
    EXPECT_EQ(ButtonLabelSection(Language::Turkish), "Setting-TUR");
    EXPECT_EQ(ButtonLabelSection(Language::English), "Setting-EN");
}

TEST(TextSettingsTest, MissingFileReadsAsAllKeysMissing) {
    TempDir dir;
    const TextSettings s = LoadTextSettings(dir / "str.ini");
    EXPECT_EQ(s.languageCode, "");
    EXPECT_EQ(s.language, Language::English);
    for (const std::string& label : s.labels) EXPECT_EQ(label, "");
    EXPECT_EQ(s.red, 0);
    EXPECT_EQ(s.green, 0);
    EXPECT_EQ(s.blue, 0);
    EXPECT_EQ(s.skinName, "");
    EXPECT_FALSE(fs::exists(dir / "str.ini"));  // reading creates nothing
}

TEST(TextSettingsTest, FirstRunTakesTheLanguageFromTheLocale) {
    EXPECT_EQ(LanguageFromLocale("zh_CN.UTF-8"), Language::ChineseSimplified);
    EXPECT_EQ(LanguageFromLocale("zh_SG"), Language::ChineseSimplified);
    EXPECT_EQ(LanguageFromLocale("zh_TW.UTF-8"), Language::ChineseTraditional);
    EXPECT_EQ(LanguageFromLocale("zh_HK.UTF-8@stroke"), Language::ChineseTraditional);
    EXPECT_EQ(LanguageFromLocale("tr_TR.UTF-8"), Language::Turkish);
    EXPECT_EQ(LanguageFromLocale("tr"), Language::Turkish);
    for (const char* other :
         {"", "C", "POSIX", "C.UTF-8", "en_US.UTF-8", "de_DE", "trk", "zhx_CN"}) {
        EXPECT_EQ(LanguageFromLocale(other), Language::English) << other;
    }

    TempDir dir;
    const fs::path file = dir / "str.ini";
    // No "Lan" at all: the locale decides, and its labels are the defaults.
    WriteText(file, "[Skins]\r\nPath=Dark\r\n[Setting-EN]\r\nItem1=Left Click\r\n");
    TextSettings s = LoadTextSettings(file, "tr_TR.UTF-8");
    EXPECT_EQ(s.language, Language::Turkish);
    EXPECT_TRUE(s.languageFromLocale);
    EXPECT_EQ(s.labels, DefaultButtonLabels(Language::Turkish));
    // The same after a restore re-reads the labels.
    ReloadLabelsAndSkin(file, s);
    EXPECT_EQ(s.labels, DefaultButtonLabels(Language::Turkish));
    // Without a locale the old rule holds: English.
    EXPECT_EQ(LoadTextSettings(file).language, Language::English);

    // Any "Lan", even empty or unknown, is the user's choice and wins.
    WriteText(file, "[Skins]\r\nLan=\r\n");
    s = LoadTextSettings(file, "zh_CN.UTF-8");
    EXPECT_EQ(s.language, Language::English);
    EXPECT_FALSE(s.languageFromLocale);
    EXPECT_EQ(s.labels[0], "");
}

TEST(TextSettingsTest, SavingALanguageBringsItsLabelsOnce) {
    TempDir dir;
    const fs::path file = dir / "str.ini";
    WriteText(file, "[Skins]\r\nPath=Dark\r\n[Setting-CHT]\r\nItem1=Mine\r\n");
    ASSERT_TRUE(SaveLanguage(file, Language::Turkish).ok);
    TextSettings s = LoadTextSettings(file, "zh_CN");
    EXPECT_EQ(s.language, Language::Turkish);
    EXPECT_EQ(s.labels, DefaultButtonLabels(Language::Turkish));
    EXPECT_EQ(s.skinName, "Dark");
    // Labels the user already has are kept.
    ASSERT_TRUE(SaveLanguage(file, Language::ChineseTraditional).ok);
    s = LoadTextSettings(file);
    EXPECT_EQ(s.language, Language::ChineseTraditional);
    EXPECT_EQ(s.labels[0], "Mine");
    EXPECT_EQ(s.labels[1], "");
}

TEST(TextSettingsTest, LanguageChoosesTheLabelSection) {
    TempDir dir;
    const fs::path file = dir / "str.ini";
    WriteText(file,
              "[Skins]\r\nLan=TUR\r\n"
              "[Setting-TUR]\r\nItem1=Sol tık\r\n"
              "[Setting-EN]\r\nItem1=Left Click\r\n");
    TextSettings s = LoadTextSettings(file);
    EXPECT_EQ(s.language, Language::Turkish);
    EXPECT_EQ(s.labels[0], "Sol tık");

    WriteText(file, "[Skins]\r\nLan=tur\r\n[Setting-TUR]\r\nItem1=Sol tık\r\n");
    s = LoadTextSettings(file);
    EXPECT_EQ(s.languageCode, "tur");
    EXPECT_EQ(s.language, Language::English);
    EXPECT_EQ(s.labels[0], "");  // Setting-EN has not been written yet
}

TEST(TextSettingsTest, LabelsRoundTripInKeyOrderAndLeaveTheRestAlone) {
    TempDir dir;
    const fs::path file = dir / "str.ini";
    WriteText(file,
              "; kept\r\n[Skins]\r\nLan=CHS\r\nPath=Red\r\n[Setting-EN]\r\nItem1=Left Click\r\n");
    const ButtonLabels labels = SampleLabels();
    ASSERT_TRUE(SaveButtonLabels(file, Language::ChineseSimplified, labels).ok);

    const TextSettings s = LoadTextSettings(file);
    EXPECT_EQ(s.language, Language::ChineseSimplified);
    EXPECT_EQ(s.labels, labels);
    EXPECT_EQ(s.skinName, "Red");
    EXPECT_EQ(LoadButtonLabels(file, Language::English)[0], "Left Click");

    const std::string text = ReadText(file);
    EXPECT_EQ(text.rfind("; kept\r\n[Skins]\r\nLan=CHS\r\nPath=Red\r\n", 0), 0u);
    std::size_t last = 0;
    for (std::size_t i = 0; i < kButtonLabelCount; ++i) {
        const std::size_t at = text.find("\r\n" + LabelKey(i) + "=");
        ASSERT_NE(at, std::string::npos) << LabelKey(i);
        EXPECT_GT(at, last) << LabelKey(i);
        last = at;
    }
    // Writing the same labels again changes nothing.
    ASSERT_TRUE(SaveButtonLabels(file, s).ok);
    EXPECT_EQ(ReadText(file), text);
}

TEST(TextSettingsTest, DefaultLabelsPerLanguage) {
    for (const Language language : {Language::ChineseSimplified, Language::ChineseTraditional,
                                    Language::Turkish, Language::English}) {
        const ButtonLabels labels = DefaultButtonLabels(language);
        for (const Mode mode : {Mode::A, Mode::B}) {
            EXPECT_EQ(labels[LabelIndex(mode, 0)], Text(language, TextId::LeftClick));
            EXPECT_EQ(labels[LabelIndex(mode, 4)], Text(language, TextId::Backward));
            EXPECT_EQ(labels[LabelIndex(mode, 5)], "DPI Loop");
            for (std::size_t slot = 6; slot < kSlotsPerMode; ++slot) {
                EXPECT_EQ(labels[LabelIndex(mode, slot)], Text(language, TextId::KeyOff));
            }
        }
    }
    EXPECT_EQ(DefaultButtonLabels(Language::ChineseSimplified)[2], "中键");
}

TEST(TextSettingsTest, ResetWritesTheDefaultsIntoTheLanguageSection) {
    TempDir dir;
    const fs::path file = dir / "str.ini";
    WriteText(file, "[Skins]\r\nLan=CHT\r\n[Setting-CHT]\r\nItem6=DPI +\r\nItem63=宏-x\r\n");
    TextSettings s = LoadTextSettings(file);
    ASSERT_TRUE(ResetLabelsToDefaults(file, s).ok);
    EXPECT_EQ(s.labels, DefaultButtonLabels(Language::ChineseTraditional));
    EXPECT_EQ(LoadTextSettings(file).labels, s.labels);
    EXPECT_EQ(profile::GetPrivateProfileString(file, "Setting-CHT", "Item63", "", 1024),
              "DPI Loop");
    EXPECT_EQ(profile::GetPrivateProfileString(file, "Setting-CHT", "Item123", "", 1024),
              "按鍵關閉");
}

TEST(TextSettingsTest, ColourTextsFromHandEditedFiles) {
    const std::pair<std::string_view, int> cases[] = {
        {"", 0},
        {"0", 0},
        {"255", 255},
        {"300", 44},
        {"256", 0},
        {"-5", 251},
        {"-1", 255},
        {"abc", 0},
        {"12px", 12},
        {"+7", 7},
        {"\t 9", 9},
        {"- 5", 0},
        {"0x1F", 0},
        {"99999999999", 255},
        {"-99999999999", 0},
        {"2147483647", 255},
        {"-2147483648", 0},
        {std::string_view("1\0"
                          "2",
                          3),
         1},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(ParseColourComponent(text), expected) << '"' << text << '"';
    }
    EXPECT_EQ(ParseColourComponent(std::string(5000, '9')), 255);

    TempDir dir;
    const fs::path file = dir / "str.ini";
    WriteText(file, "[skins]\nRColor = 300 \nGColor=abc\nBColor=-5\nPath=\"Blue Steel\"\n");
    const TextSettings s = LoadTextSettings(file);
    EXPECT_EQ(s.red, 44);
    EXPECT_EQ(s.green, 0);
    EXPECT_EQ(s.blue, 251);
    EXPECT_EQ(s.skinName, "Blue Steel");
}

TEST(TextSettingsTest, SkinChoiceRoundTrip) {
    TempDir dir;
    const fs::path file = dir / "str.ini";
    WriteText(file, "[Skins]\r\nLan=CHS\r\nRColor=1\r\n");
    ASSERT_TRUE(SaveSkinChoice(file, 10, 200, 255, "深蓝").ok);
    EXPECT_EQ(ReadText(file),
              "[Skins]\r\nLan=CHS\r\nRColor=10\r\nGColor=200\r\nBColor=255\r\nPath=深蓝\r\n");
    TextSettings s = LoadTextSettings(file);
    EXPECT_EQ(s.red, 10);
    EXPECT_EQ(s.green, 200);
    EXPECT_EQ(s.blue, 255);
    EXPECT_EQ(s.skinName, "深蓝");

    // A restore re-reads labels and skin but keeps the language of the start.
    WriteText(file, "[Skins]\r\nLan=TUR\r\nPath=Red\r\n[Setting-CHS]\r\nItem1=右键\r\n");
    ReloadLabelsAndSkin(file, s);
    EXPECT_EQ(s.language, Language::ChineseSimplified);
    EXPECT_EQ(s.labels[0], "右键");
    EXPECT_EQ(s.skinName, "Red");
    EXPECT_EQ(s.red, 0);
}

TEST(TextSettingsTest, WindowsUtf16FileIsReadAndStaysUtf16) {
    TempDir dir;
    const fs::path file = dir / "str.ini";
    WriteBytes(file,
               Utf16LeWithBom(u"[Skins]\r\nLan=CHT\r\nRColor=255\r\nGColor=128\r\nBColor=0\r\n"
                              u"Path=Gold\r\n[Setting-CHT]\r\nItem1=左鍵\r\nItem13=巨集-宏1\r\n"
                              u"Item6=DPI Loop\r\n"));
    TextSettings s = LoadTextSettings(file);
    EXPECT_EQ(s.language, Language::ChineseTraditional);
    EXPECT_EQ(s.labels[0], "左鍵");
    EXPECT_EQ(s.labels[5], "DPI Loop");
    EXPECT_EQ(s.labels[LabelIndex(Mode::B, 0)], "巨集-宏1");
    EXPECT_EQ(s.red, 255);
    EXPECT_EQ(s.green, 128);
    EXPECT_EQ(s.skinName, "Gold");

    s.labels[1] = "單鍵-Enter";
    ASSERT_TRUE(SaveButtonLabels(file, s).ok);
    const std::vector<std::uint8_t> bytes = ReadBytes(file);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xFE);
    EXPECT_EQ(LoadTextSettings(file).labels, s.labels);
}

// A str.ini written by a Chinese Windows system: GBK without BOM, all 24 labels.
TEST(TextSettingsTest, GbkFileShowsItsLabelsAndKeepsItsBytesWhenOneChanges) {
    TempDir dir;
    const fs::path file = dir / "str.ini";
    std::string text = "[Skins]\r\nLan=CHS\r\nPath=\r\n[Setting-CHS]\r\n";
    for (std::size_t i = 0; i < kButtonLabelCount; ++i) {
        text += LabelKey(i) + "=" +
                (i % 2 == 0 ? "\xD7\xF3\xBC\xFC" : "\xB0\xB4\xBC\xFC\xB9\xD8\xB1\xD5") + "\r\n";
    }
    WriteText(file, text);
    TextSettings s = LoadTextSettings(file);
    EXPECT_EQ(s.language, Language::ChineseSimplified);
    EXPECT_EQ(s.labels[0], "左键");
    EXPECT_EQ(s.labels[1], "按键关闭");

    s.labels[2] = "右键";
    ASSERT_TRUE(SaveButtonLabels(file, s).ok);
    std::string expected = text;
    const std::size_t at = expected.find("Item3=") + 6;
    expected.replace(at, 4, "\xD3\xD2\xBC\xFC");
    EXPECT_EQ(ReadText(file), expected);
    EXPECT_EQ(LoadTextSettings(file).labels, s.labels);
}

// One label with a sequence GBK rejects (a user-defined character): only that
// label shows as unreadable, and saving another one keeps its bytes.
TEST(TextSettingsTest, OneUnreadableGbkLabelLeavesTheOthersAndItsBytesAlone) {
    TempDir dir;
    const fs::path file = dir / "str.ini";
    std::string text = "[Skins]\r\nLan=CHS\r\nPath=\r\n[Setting-CHS]\r\n";
    for (std::size_t i = 0; i < kButtonLabelCount; ++i) {
        text += LabelKey(i) + "=" + (i == 4 ? "\xD7\xF3\xAA\xA1" : "\xD7\xF3\xBC\xFC") + "\r\n";
    }
    WriteText(file, text);
    TextSettings s = LoadTextSettings(file);
    EXPECT_EQ(s.language, Language::ChineseSimplified);
    EXPECT_EQ(s.labels[0], "左键");
    EXPECT_EQ(s.labels[4], "左\uFFFD");
    EXPECT_EQ(s.labels[LabelIndex(Mode::B, 11)], "左键");

    s.labels[2] = "右键";
    ASSERT_TRUE(SaveButtonLabels(file, s).ok);
    std::string expected = text;
    expected.replace(expected.find("Item3=") + 6, 4, "\xD3\xD2\xBC\xFC");
    EXPECT_EQ(ReadText(file), expected);
    EXPECT_EQ(LoadTextSettings(file).labels, s.labels);
}

std::vector<std::uint8_t> Utf16WithoutBom(std::u16string_view s, bool bigEndian) {
    std::vector<std::uint8_t> out;
    for (const char16_t u : s) {
        const auto lo = static_cast<std::uint8_t>(u & 0xFF);
        const auto hi = static_cast<std::uint8_t>(u >> 8);
        out.push_back(bigEndian ? hi : lo);
        out.push_back(bigEndian ? lo : hi);
    }
    return out;
}

// UTF-16 without BOM, in either byte order: its language and labels are read,
// and a save keeps the file in its own encoding.
TEST(TextSettingsTest, Utf16WithoutBomNamesItsLanguageAndStaysUtf16) {
    TempDir dir;
    const fs::path file = dir / "str.ini";
    for (const bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
        WriteBytes(file, Utf16WithoutBom(u"[Skins]\r\nLan=CHT\r\nPath=Gold\r\n"
                                         u"[Setting-CHT]\r\nItem1=左鍵\r\n",
                                         bigEndian));
        TextSettings s = LoadTextSettings(file);
        EXPECT_EQ(s.language, Language::ChineseTraditional);
        EXPECT_EQ(s.skinName, "Gold");
        EXPECT_EQ(s.labels[0], "左鍵");

        s.labels[1] = "右鍵";
        ASSERT_TRUE(SaveButtonLabels(file, s).ok);
        std::u16string expected =
            u"[Skins]\r\nLan=CHT\r\nPath=Gold\r\n[Setting-CHT]\r\nItem1=左鍵\r\nItem2=右鍵\r\n";
        for (std::size_t i = 2; i < kButtonLabelCount; ++i) {
            const std::string key = LabelKey(i);
            expected += std::u16string(key.begin(), key.end()) + u"=\r\n";
        }
        EXPECT_EQ(ReadBytes(file), Utf16WithoutBom(expected, bigEndian));
        EXPECT_EQ(LoadTextSettings(file).labels, s.labels);
    }
}

TEST(TextSettingsTest, BadLabelsAndBadFilesAreHandled) {
    TempDir dir;
    const fs::path file = dir / "str.ini";
    WriteText(file, "[Skins]\r\nLan=EN\r\n");
    ButtonLabels labels;
    labels[0] = "a\r\n[Skins]\nLan=TUR";  // must not become a section or key of its own
    labels[1] = std::string(3000, 'x');
    ASSERT_TRUE(SaveButtonLabels(file, Language::English, labels).ok);
    TextSettings s = LoadTextSettings(file);
    EXPECT_EQ(s.languageCode, "EN");
    EXPECT_EQ(s.labels[0], "a  [Skins] Lan=TUR");
    EXPECT_EQ(s.labels[1], std::string(1023, 'x'));  // cut as a 1024-character buffer holds

    // A label that is not UTF-8 refuses the whole write: the file keeps the
    // labels it had, never a mix of old and new.
    const std::string before = ReadText(file);
    labels[0] = "ok";
    labels[2] = "\xFF\xFE";
    labels[3] = "three";
    EXPECT_FALSE(SaveButtonLabels(file, Language::English, labels).ok);
    EXPECT_EQ(ReadText(file), before);

    // A folder in place of the file: nothing is written, nothing crashes.
    const fs::path folder = dir / "folder.ini";
    fs::create_directory(folder);
    EXPECT_FALSE(SaveButtonLabels(folder, Language::English, labels).ok);
    EXPECT_FALSE(SaveSkinChoice(folder, 1, 2, 3, "x").ok);
    EXPECT_EQ(LoadTextSettings(folder).language, Language::English);

    // Binary garbage reads as missing keys.
    WriteBytes(file, {0x00, 0xFF, 0x5B, 0x0A, 0x3D, 0xC3, 0x28, 0x0D});
    s = LoadTextSettings(file);
    EXPECT_EQ(s.language, Language::English);
    EXPECT_EQ(s.red, 0);
}

}  // namespace
}  // namespace ornyx::i18n

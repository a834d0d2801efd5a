#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "i18n/Texts.h"

namespace ornyx::i18n {
namespace {

constexpr std::array<Language, 4> kLanguages = {Language::ChineseSimplified,
                                                Language::ChineseTraditional, Language::Turkish,
                                                Language::English};

bool IsAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

TEST(LanguageTest, OnlyTheExactUpperCaseCodesSelectALanguage) {
    EXPECT_EQ(LanguageFromCode("CHS"), Language::ChineseSimplified);
    EXPECT_EQ(LanguageFromCode("CHT"), Language::ChineseTraditional);
    EXPECT_EQ(LanguageFromCode("TUR"), Language::Turkish);
    for (const char* other : {"", "tur", "chs", "Cht", "EN", "TURK", "TU", "CHS ", " CHT"}) {
        EXPECT_EQ(LanguageFromCode(other), Language::English) << '"' << other << '"';
    }
    EXPECT_EQ(LanguageFromCode(std::string_view("TUR\0", 4)), Language::English);
}

TEST(LanguageTest, FontsFollowTheLanguage) {
    const LanguageFonts turkish = FontsFor(Language::Turkish);
    EXPECT_EQ(turkish.normal.family, "Arial");
    EXPECT_EQ(turkish.normal.pixelHeight, 14);
    EXPECT_EQ(turkish.title.family, "Tahoma");
    EXPECT_EQ(turkish.title.weight, 700);
    EXPECT_EQ(FontsFor(Language::English).normal.family, "Arial");
    EXPECT_EQ(FontsFor(Language::ChineseTraditional).normal.family, "黑体");
    EXPECT_EQ(FontsFor(Language::ChineseSimplified).normal.family, "宋体");
    EXPECT_EQ(FontsFor(Language::ChineseSimplified, true).title.family, "黑体");
    EXPECT_EQ(FontsFor(Language::ChineseSimplified).normal.pixelHeight, 13);
}

TEST(TextsTest, EveryTextExistsInEveryLanguage) {
    for (const Language language : kLanguages) {
        for (std::size_t n = 0; n < kMainTextCount; ++n) {
            EXPECT_FALSE(TextAt(language, n).empty()) << "text " << n;
            EXPECT_EQ(TextAt(language, n), Text(language, static_cast<TextId>(n)));
        }
        for (std::size_t n = 0; n < kPopupTextCount; ++n) {
            EXPECT_FALSE(Text(language, static_cast<PopupTextId>(n)).empty())
                << "pop-up text " << n;
        }
        ASSERT_EQ(MediaFunctionNames(language).size(), kMediaFunctionCount);
        ASSERT_EQ(WindowsFunctionNames(language).size(), kWindowsFunctionCount);
        for (const std::string_view name : MediaFunctionNames(language)) EXPECT_FALSE(name.empty());
        for (const std::string_view name : WindowsFunctionNames(language))
            EXPECT_FALSE(name.empty());
        EXPECT_TRUE(TextAt(language, kMainTextCount).empty());
    }
    EXPECT_EQ(MainWindowTexts().size(), 72u);
}

// A row typed into the wrong column shows up as Latin text among the Chinese or
// Chinese text among the English.
TEST(TextsTest, EachColumnHoldsItsOwnLanguage) {
    for (std::size_t n = 0; n < kMainTextCount; ++n) {
        const auto id = static_cast<TextId>(n);
        const bool sameEverywhere =
            id == TextId::Shift || id == TextId::Windows || id == TextId::LinkText;
        if (!sameEverywhere) {
            EXPECT_FALSE(IsAscii(Text(Language::ChineseSimplified, id))) << "text " << n;
            EXPECT_FALSE(IsAscii(Text(Language::ChineseTraditional, id))) << "text " << n;
        }
        if (id != TextId::NotRecording) {
            EXPECT_TRUE(IsAscii(Text(Language::English, id))) << "text " << n;
        }
    }
    for (std::size_t n = 0; n < kPopupTextCount; ++n) {
        const auto id = static_cast<PopupTextId>(n);
        EXPECT_FALSE(IsAscii(Text(Language::ChineseSimplified, id))) << "pop-up text " << n;
        EXPECT_FALSE(IsAscii(Text(Language::ChineseTraditional, id))) << "pop-up text " << n;
        EXPECT_TRUE(IsAscii(Text(Language::English, id))) << "pop-up text " << n;
    }
}

TEST(TextsTest, TextsKeepTheirExactForm) {
    EXPECT_EQ(Text(Language::ChineseSimplified, TextId::Ok), "确定");
    EXPECT_EQ(Text(Language::ChineseTraditional, TextId::Ok), "確定");
    EXPECT_EQ(Text(Language::Turkish, TextId::Cancel), "İptal");
    EXPECT_EQ(Text(Language::English, TextId::BasicSettings), "Basic Settings");
    // Trailing blanks separate what the notification appends.
    EXPECT_EQ(Text(Language::English, TextId::DpiStage4), "Switch DPI into the fourth stage ");
    EXPECT_EQ(Text(Language::Turkish, TextId::DpiStage1), "DPI ayarını 1. Seviyeye getir ");
    EXPECT_EQ(Text(Language::Turkish, TextId::KeyMatrix2), "2. Tuş matrisine geç ");
    EXPECT_EQ(Text(Language::ChineseSimplified, TextId::DpiStage1), "DPI切换到第一段");
    EXPECT_EQ(Text(Language::English, TextId::NotRecording),
              "It doesn\u2019t start recording, unnecessary to press Stop key!");
    EXPECT_EQ(Text(Language::ChineseSimplified, TextId::NotRecording),
              "没有开始录制,点击停止录制按钮没有意义！");
    EXPECT_EQ(Text(Language::ChineseTraditional, TextId::ComboKey), "複合鍵");
    EXPECT_EQ(Text(Language::ChineseSimplified, TextId::KeyRestoreDefault), "按键恢复");
    EXPECT_EQ(Text(Language::ChineseSimplified, TextId::PointerDefault), "恢复默认");
    EXPECT_EQ(Text(Language::Turkish, TextId::Exit), "Çıkış");
    // A value cast from bad data reads as English rather than out of the table.
    EXPECT_EQ(Text(static_cast<Language>(9), TextId::Exit), "Exit");
}

TEST(TextsTest, ButtonMenuFollowsTheFunctionIndexes) {
    EXPECT_EQ(ButtonFunctionName(Language::ChineseSimplified, 0), "左键");
    EXPECT_EQ(ButtonFunctionName(Language::English, 6), "DPI Switch");
    EXPECT_EQ(ButtonFunctionName(Language::English, 7), "RGB On/Off");
    EXPECT_EQ(ButtonFunctionName(Language::ChineseTraditional, 13), "巨集");
    EXPECT_EQ(ButtonFunctionName(Language::Turkish, 14), "Değiştir");
    EXPECT_EQ(ButtonFunctionName(Language::ChineseSimplified, 15), "按键关闭");
    EXPECT_TRUE(ButtonFunctionName(Language::English, 16).empty());
}

TEST(TextsTest, PopupListsAndTheirStartText) {
    EXPECT_EQ(MediaFunctionNames(Language::ChineseSimplified)[0], "下一首");
    EXPECT_EQ(MediaFunctionNames(Language::English)[6], "Vol-");
    EXPECT_EQ(WindowsFunctionNames(Language::ChineseSimplified)[2], "计算器");
    EXPECT_EQ(WindowsFunctionNames(Language::ChineseTraditional)[10], "瀏覽器-我的最愛");
    // Turkish entry 0 carries a trailing blank that the text shown at start lacks.
    EXPECT_EQ(WindowsFunctionNames(Language::Turkish)[0], "Multimedya oynatıcı ");
    EXPECT_EQ(Text(Language::Turkish, PopupTextId::WindowsFunctionAtStart), "Multimedya oynatıcı");
    for (const Language language :
         {Language::ChineseSimplified, Language::ChineseTraditional, Language::English}) {
        EXPECT_EQ(Text(language, PopupTextId::WindowsFunctionAtStart),
                  WindowsFunctionNames(language)[0]);
    }
    EXPECT_EQ(Text(Language::Turkish, PopupTextId::Ok), "Tamam");
    EXPECT_EQ(Text(Language::English, PopupTextId::TextColourPrompt),
              "Please click to set the UI text color");
}

TEST(TextsTest, DeviceEventNotifications) {
    struct Case {
        Language language;
        int code;
        int parameter;
        std::string_view dpiLabel;
        std::string_view title;  // empty: nothing is shown
        std::string_view text;
        int timeoutMs;
    };
    const Case cases[] = {
        {Language::English, 5, 1, "", "Info", "Switch report rate into 1000HZ", 5000},
        {Language::English, 5, 2, "", "Info", "Switch report rate into 500HZ", 5000},
        {Language::English, 5, 8, "", "Info", "Switch report rate into 125HZ", 5000},
        {Language::English, 5, 3, "", "", "", 0},
        {Language::English, 5, 0, "", "", "", 0},
        {Language::English, 7, 2, "1600", "Info", "Switch DPI into the second stage 1600", 5000},
        {Language::Turkish, 7, 4, "", "Info", "DPI ayarını 4. Seviyeye getir ", 5000},
        {Language::ChineseSimplified, 7, 1, "800", "Info", "DPI切换到第一段800", 5000},
        {Language::English, 7, 0, "", "", "", 0},
        {Language::English, 7, 5, "", "", "", 0},
        {Language::ChineseTraditional, 8, 2, "", "Info", "切換到按鍵群組2", 5000},
        {Language::English, 8, 3, "", "", "", 0},
        {Language::English, 9, 12, "", "Info", "Switch to macro key12", 5000},
        {Language::ChineseSimplified, 9, 255, "", "Info", "切换到宏255", 5000},
        {Language::English, 9, 0, "", "", "", 0},
        {Language::Turkish, 15, 0, "", "Warning", "Fare algılanamadı, lütfen önce farenizi takın!",
         100},
        {Language::English, 6, 1, "", "", "", 0},
        {Language::English, 0, 0, "", "", "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "code " << c.code << " parameter " << c.parameter);
        const auto n = DeviceEventNotification(c.language, c.code, c.parameter, c.dpiLabel);
        if (c.title.empty()) {
            EXPECT_FALSE(n.has_value());
            continue;
        }
        ASSERT_TRUE(n.has_value());
        EXPECT_EQ(n->title, c.title);
        EXPECT_EQ(n->text, c.text);
        EXPECT_EQ(n->timeoutMs, c.timeoutMs);
    }
}

TEST(TextsTest, LightingNamesByStoredValue) {
    EXPECT_EQ(LightingModeName(Language::ChineseSimplified, 0), "Off");
    EXPECT_EQ(LightingModeName(Language::English, 1), "Standard");
    EXPECT_EQ(LightingModeName(Language::ChineseSimplified, 2), "呼吸");
    EXPECT_EQ(LightingModeName(Language::Turkish, 3), "Neon");
    EXPECT_TRUE(LightingModeName(Language::English, 4).empty());
    EXPECT_TRUE(LightingModeName(Language::English, -1).empty());
    EXPECT_EQ(LightingEffectName(Language::Turkish, 0), "Non-Disolay");
    EXPECT_EQ(LightingEffectName(Language::English, 3), "RGB Fixed On");
    EXPECT_EQ(LightingEffectName(Language::ChineseTraditional, 2), "RGB閃爍");
    EXPECT_TRUE(LightingEffectName(Language::English, 4).empty());
}

}  // namespace
}  // namespace ornyx::i18n

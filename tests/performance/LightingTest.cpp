#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "device/DeviceState.h"
#include "performance/Lighting.h"

namespace ornyx::performance {
namespace {

using settings::SettingsImage;
using Bank = std::array<std::uint8_t, 3>;

// Distinctive "as read" values, so that a field the translation should keep
// cannot pass by being zero.
constexpr device::EffectSettings kReadEffect{0x71, 0x72, 0x73};
constexpr Bank kReadBank{0x44, 0x55, 0x66};

struct Sent {
    device::EffectSettings effect;
    Bank bank;
};

Sent Translate(const SettingsImage& image) {
    const LightingBytes out = TranslateLighting(
        image, {kReadEffect.effect, kReadEffect.option1, kReadEffect.option2, kReadBank});
    return {{out.effect, out.option1, out.option2}, out.settingBank0};
}

SettingsImage Lighting(std::uint8_t mode, std::uint8_t parameter, std::uint8_t colourEffect) {
    SettingsImage image;
    // The three modes' fields lie side by side; the other modes' values would
    // show in the result if read by mistake.
    for (std::size_t i = 0; i < 3; ++i) {
        image.bytes[SettingsImage::kStandardBrightness + i] = 0x20;
        image.bytes[SettingsImage::kStandardColourEffect + i] = kEffectRgbFlash;
    }
    image.lightingMode() = mode;
    if (mode >= kLightingStandard && mode <= kLightingNeon) {
        image.bytes[SettingsImage::kStandardBrightness + mode - 1] = parameter;
        image.bytes[SettingsImage::kStandardColourEffect + mode - 1] = colourEffect;
    }
    return image;
}

void ExpectSent(const Sent& s, device::EffectSettings effect, Bank bank) {
    EXPECT_EQ(s.effect.effect, effect.effect);
    EXPECT_EQ(s.effect.option1, effect.option1);
    EXPECT_EQ(s.effect.option2, effect.option2);
    EXPECT_EQ(s.bank, bank);
}

TEST(TranslateLightingTest, EveryModeEffectAndParameterEdge) {
    struct Row {
        std::uint8_t mode, parameter, colourEffect;
        device::EffectSettings effect;
        Bank bank;
    };
    const std::vector<Row> rows = {
        // Standard ignores its colour effect byte.
        {1, 9, 1, {1, 10, 2}, {1, 0x55, 0x66}},
        {1, 0, 0, {1, 1, 2}, {1, 0x55, 0x66}},
        {1, 4, 3, {1, 5, 2}, {1, 0x55, 0x66}},
        // Respiration: "6S" with RGB Effect / RGB Flash / unknown effects.
        {2, 2, 1, {2, 3, 2}, {1, 0x55, 0x66}},
        {2, 2, 2, {2, 3, 3}, {2, 0xFA, 3}},
        {2, 2, 0, {2, 3, 0x73}, kReadBank},
        {2, 2, 3, {2, 3, 0x73}, kReadBank},
        // Neon never touches option 2.
        {3, 29, 2, {3, 30, 0x73}, {2, 0xFA, 3}},
        {3, 0, 3, {3, 1, 0x73}, {3, 5, 5}},
        {3, 7, 1, {3, 8, 0x73}, kReadBank},
        {3, 7, 0xFF, {3, 8, 0x73}, kReadBank},
        // The parameter goes out one up, wrapping at the byte.
        {1, 0xFF, 1, {1, 0x00, 2}, {1, 0x55, 0x66}},
        {2, 0xFF, 1, {2, 0x00, 2}, {1, 0x55, 0x66}},
        {3, 0xFE, 2, {3, 0xFF, 0x73}, {2, 0xFA, 3}},
        // Off and modes the program does not know: everything as read.
        {0, 0, 0, kReadEffect, kReadBank},
        {4, 2, 2, kReadEffect, kReadBank},
        {0xFF, 2, 2, kReadEffect, kReadBank},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "mode " << int{r.mode} << " parameter "
                                        << int{r.parameter} << " effect " << int{r.colourEffect});
        ExpectSent(Translate(Lighting(r.mode, r.parameter, r.colourEffect)), r.effect, r.bank);
    }
}

TEST(LightingNamesTest, ParameterLists) {
    const auto standard = LightingParameterNames(kLightingStandard);
    ASSERT_EQ(standard.size(), 10u);
    EXPECT_EQ(standard.front(), "5%");
    EXPECT_EQ(standard.back(), "100%");
    const auto respiration = LightingParameterNames(kLightingRespiration);
    ASSERT_EQ(respiration.size(), 5u);
    EXPECT_EQ(respiration.front(), "8S");
    EXPECT_EQ(respiration.back(), "4S");

    const auto neon = LightingParameterNames(kLightingNeon);
    ASSERT_EQ(neon.size(), 30u);
    const std::vector<std::pair<std::size_t, std::string_view>> expected = {
        {0, "0.5S"}, {1, "1S"}, {2, "1.5S"}, {19, "10S"}, {20, "10.5S"}, {29, "15S"}};
    for (const auto& [index, text] : expected) EXPECT_EQ(neon[index], text) << index;

    EXPECT_TRUE(LightingParameterNames(kLightingOff).empty());
    EXPECT_TRUE(LightingParameterNames(4).empty());
    EXPECT_EQ(LightingParameterName(kLightingNeon, 30), "");
    EXPECT_EQ(LightingParameterName(kLightingRespiration, 5), "");
    EXPECT_EQ(LightingParameterName(0xFF, 0), "");
}

TEST(LightingNamesTest, NamesAndDropDownsByStoredValue) {
    EXPECT_EQ(LightingModeName(0), "Off");
    EXPECT_EQ(LightingModeName(4), "");
    EXPECT_EQ(ColourEffectName(0), "Non-Disolay");
    EXPECT_EQ(ColourEffectName(3), "RGB Fixed On");
    EXPECT_EQ(ColourEffectName(0xFF), "");
    // Off and Non-Disolay read the same in every language.
    EXPECT_FALSE(LightingModeNames()[kLightingOff].localized);
    EXPECT_FALSE(ColourEffectNames()[kEffectNone].localized);

    const auto modes = LightingModeChoices();
    ASSERT_EQ(modes.size(), 3u);
    EXPECT_EQ(modes[0].name, "Standard");
    EXPECT_EQ(modes[0].value, 1);
    const auto neon = ColourEffectChoices(kLightingNeon);
    ASSERT_EQ(neon.size(), 2u);
    EXPECT_EQ(neon[0].value, kEffectRgbFlash);
    EXPECT_EQ(neon[1].name, "RGB Fixed On");
    EXPECT_EQ(ColourEffectChoices(kLightingRespiration)[1].name, "RGB Flash");
    EXPECT_TRUE(ColourEffectChoices(kLightingOff).empty());
    EXPECT_TRUE(ColourEffectChoices(9).empty());
}

TEST(LightingSelectTest, RespirationSixSecondsFlashIsStoredAndSent) {
    SettingsImage image;
    ASSERT_TRUE(SelectLightingMode(image, 1));
    ASSERT_TRUE(SelectLightingParameter(image, 2));
    ASSERT_TRUE(SelectColourEffect(image, 1));
    EXPECT_EQ(image.lightingMode(), 2);
    EXPECT_EQ(image.respirationPeriod(), 2);
    EXPECT_EQ(image.respirationColourEffect(), 2);
    ExpectSent(Translate(image), {2, 3, 3}, {2, 0xFA, 3});
}

TEST(LightingSelectTest, EachModeKeepsItsOwnChoices) {
    SettingsImage image;
    SelectLightingMode(image, 2);
    SelectLightingParameter(image, 19);
    SelectColourEffect(image, 1);
    SelectLightingMode(image, 0);
    SelectLightingParameter(image, 9);
    EXPECT_EQ(CurrentLightingParameter(image), 9);

    SelectLightingMode(image, 2);
    EXPECT_EQ(CurrentLightingParameter(image), 19);
    EXPECT_EQ(CurrentColourEffect(image), kEffectRgbFixedOn);
    EXPECT_EQ(image.standardBrightness(), 9);
}

TEST(LightingSelectTest, StandardShowsAndStoresRgbEffectWhateverItsByteHolds) {
    SettingsImage image;
    image.lightingMode() = kLightingStandard;
    image.standardColourEffect() = 0;
    EXPECT_EQ(CurrentColourEffect(image), kEffectRgb);
    EXPECT_EQ(image.standardColourEffect(), 0);  // kept as stored until chosen

    EXPECT_TRUE(SelectColourEffect(image, 0));
    EXPECT_EQ(image.standardColourEffect(), kEffectRgb);
}

TEST(LightingSelectTest, OutOfListSelectionsAndUnknownModesChangeNothing) {
    SettingsImage image;
    image.lightingMode() = kLightingRespiration;
    image.respirationPeriod() = 1;
    image.respirationColourEffect() = 1;
    const SettingsImage before = image;

    EXPECT_FALSE(SelectLightingMode(image, 3));
    EXPECT_FALSE(SelectLightingParameter(image, 5));
    EXPECT_FALSE(SelectColourEffect(image, 2));
    EXPECT_EQ(image, before);

    for (std::uint8_t mode : {std::uint8_t{0}, std::uint8_t{4}, std::uint8_t{0xFF}}) {
        image.lightingMode() = mode;
        const SettingsImage unknown = image;
        EXPECT_FALSE(SelectLightingParameter(image, 0));
        EXPECT_FALSE(SelectColourEffect(image, 0));
        EXPECT_EQ(image, unknown);
        EXPECT_EQ(CurrentLightingParameter(image), std::nullopt);
        EXPECT_EQ(CurrentColourEffect(image), std::nullopt);
    }
}

TEST(LightingLists, EachFieldOffersItsModesListInTheUsersLanguage) {
    SettingsImage image = Lighting(kLightingRespiration, 0, kEffectRgb);
    const LightingChoices modes =
        PressLightingField(image, i18n::Language::Turkish, LightingField::Mode);
    ASSERT_EQ(modes.entries.size(), LightingModeChoices().size());
    EXPECT_EQ(modes.entries[1], "Nefes");  // Respiration
    EXPECT_FALSE(modes.chosenAtOnce);

    const LightingChoices parameters =
        PressLightingField(image, i18n::Language::English, LightingField::Parameter);
    ASSERT_EQ(parameters.entries.size(), LightingParameterNames(kLightingRespiration).size());
    EXPECT_EQ(parameters.entries.front(), LightingParameterNames(kLightingRespiration).front());
    EXPECT_EQ(
        PressLightingField(image, i18n::Language::English, LightingField::Effect).entries.size(),
        ColourEffectChoices(kLightingRespiration).size());

    // A mode the program does not know offers no parameter or effect.
    image.lightingMode() = 9;
    EXPECT_TRUE(PressLightingField(image, i18n::Language::English, LightingField::Parameter)
                    .entries.empty());
    EXPECT_TRUE(
        PressLightingField(image, i18n::Language::English, LightingField::Effect).entries.empty());
}

TEST(LightingLists, StandardsSingleEffectIsChosenByThePressAlone) {
    SettingsImage image = Lighting(kLightingStandard, 0, kEffectRgbFlash);
    const auto before = image.bytes;
    const LightingChoices effect =
        PressLightingField(image, i18n::Language::English, LightingField::Effect);
    EXPECT_TRUE(effect.chosenAtOnce);
    EXPECT_TRUE(effect.entries.empty());
    EXPECT_EQ(image.standardColourEffect(), kEffectRgb);
    // Only that byte changed.
    auto expected = before;
    expected[SettingsImage::kStandardColourEffect] = kEffectRgb;
    EXPECT_EQ(image.bytes, expected);
}

TEST(LightingLists, AChosenEntryGoesToItsFieldsSelection) {
    SettingsImage image = Lighting(kLightingStandard, 0, kEffectRgb);
    EXPECT_TRUE(ChooseLightingEntry(image, LightingField::Mode, 2));
    EXPECT_EQ(image.lightingMode(), LightingModeChoices()[2].value);
    EXPECT_FALSE(ChooseLightingEntry(image, LightingField::Mode, 99));
    EXPECT_TRUE(ChooseLightingEntry(image, LightingField::Parameter, 1));
    EXPECT_EQ(CurrentLightingParameter(image), 1);
    EXPECT_TRUE(ChooseLightingEntry(image, LightingField::Effect, 0));
    EXPECT_EQ(CurrentColourEffect(image), ColourEffectChoices(image.lightingMode())[0].value);
}

}  // namespace
}  // namespace ornyx::performance

#include "performance/Lighting.h"

#include "i18n/Texts.h"

#include <string>

namespace ornyx::performance {

namespace {

constexpr std::array<LightingName, 4> kModeNames{{
    {kLightingOff, "Off", false},
    {kLightingStandard, "Standard", true},
    {kLightingRespiration, "Respiration", true},
    {kLightingNeon, "Neon", true},
}};

// "Non-Disolay" is the established text of this entry; keep its spelling.
constexpr std::array<LightingName, 4> kEffectNames{{
    {kEffectNone, "Non-Disolay", false},
    {kEffectRgb, "RGB Effect", true},
    {kEffectRgbFlash, "RGB Flash", true},
    {kEffectRgbFixedOn, "RGB Fixed On", true},
}};

constexpr std::array<std::string_view, 10> kBrightnessNames{"5%",  "15%", "25%", "35%", "45%",
                                                            "55%", "65%", "75%", "85%", "100%"};
constexpr std::array<std::string_view, 5> kRespirationPeriodNames{"8S", "7S", "6S", "5S", "4S"};
constexpr std::size_t kNeonPeriods = 30;

// Index i is a period of (i + 1) half seconds: "0.5S", "1S", "1.5S", ... "15S".
std::span<const std::string_view> NeonPeriodNames() {
    static const std::array<std::string, kNeonPeriods> texts = [] {
        std::array<std::string, kNeonPeriods> t;
        for (std::size_t i = 0; i < kNeonPeriods; ++i) {
            const std::size_t halves = i + 1;
            t[i] = std::to_string(halves / 2) + (halves % 2 != 0 ? ".5" : "") + "S";
        }
        return t;
    }();
    static const std::array<std::string_view, kNeonPeriods> views = [] {
        std::array<std::string_view, kNeonPeriods> v;
        for (std::size_t i = 0; i < kNeonPeriods; ++i) v[i] = texts[i];
        return v;
    }();
    return views;
}

constexpr std::array<std::uint8_t, 3> kFlashBank{2, 0xFA, 3};
constexpr std::array<std::uint8_t, 3> kFixedOnBank{3, 5, 5};

// Parameter indexes are sent one up, in one byte: 255 wraps to 0.
std::uint8_t Sent(std::uint8_t index) {
    return static_cast<std::uint8_t>(index + 1);
}

std::uint8_t* ParameterByte(settings::SettingsImage& image) {
    switch (image.lightingMode()) {
        case kLightingStandard:
            return &image.standardBrightness();
        case kLightingRespiration:
            return &image.respirationPeriod();
        case kLightingNeon:
            return &image.neonPeriod();
        default:
            return nullptr;
    }
}

std::uint8_t* EffectByte(settings::SettingsImage& image) {
    switch (image.lightingMode()) {
        case kLightingStandard:
            return &image.standardColourEffect();
        case kLightingRespiration:
            return &image.respirationColourEffect();
        case kLightingNeon:
            return &image.neonColourEffect();
        default:
            return nullptr;
    }
}

}  // namespace

std::span<const LightingName> LightingModeNames() {
    return kModeNames;
}
std::span<const LightingName> ColourEffectNames() {
    return kEffectNames;
}

std::string_view LightingModeName(std::uint8_t mode) {
    return mode < kModeNames.size() ? kModeNames[mode].name : std::string_view{};
}

std::string_view ColourEffectName(std::uint8_t effect) {
    return effect < kEffectNames.size() ? kEffectNames[effect].name : std::string_view{};
}

std::span<const LightingName> LightingModeChoices() {
    return std::span<const LightingName>(kModeNames).subspan(kLightingStandard);
}

std::span<const LightingName> ColourEffectChoices(std::uint8_t mode) {
    const std::span<const LightingName> all(kEffectNames);
    switch (mode) {
        case kLightingStandard:
            return all.subspan(kEffectRgb, 1);
        case kLightingRespiration:
            return all.subspan(kEffectRgb, 2);
        case kLightingNeon:
            return all.subspan(kEffectRgbFlash, 2);
        default:
            return {};
    }
}

std::span<const std::string_view> LightingParameterNames(std::uint8_t mode) {
    switch (mode) {
        case kLightingStandard:
            return kBrightnessNames;
        case kLightingRespiration:
            return kRespirationPeriodNames;
        case kLightingNeon:
            return NeonPeriodNames();
        default:
            return {};
    }
}

std::string_view LightingParameterName(std::uint8_t mode, std::uint8_t index) {
    const std::span<const std::string_view> names = LightingParameterNames(mode);
    return index < names.size() ? names[index] : std::string_view{};
}

std::optional<std::uint8_t> CurrentLightingParameter(const settings::SettingsImage& image) {
    switch (image.lightingMode()) {
        case kLightingStandard:
            return image.standardBrightness();
        case kLightingRespiration:
            return image.respirationPeriod();
        case kLightingNeon:
            return image.neonPeriod();
        default:
            return std::nullopt;
    }
}

std::optional<std::uint8_t> CurrentColourEffect(const settings::SettingsImage& image) {
    switch (image.lightingMode()) {
        case kLightingStandard:
            // Its stored byte is kept but never sent; show what the mouse gets.
            return kEffectRgb;
        case kLightingRespiration:
            return image.respirationColourEffect();
        case kLightingNeon:
            return image.neonColourEffect();
        default:
            return std::nullopt;
    }
}

bool SelectLightingMode(settings::SettingsImage& image, std::size_t entry) {
    const std::span<const LightingName> choices = LightingModeChoices();
    if (entry >= choices.size()) return false;
    image.lightingMode() = choices[entry].value;
    return true;
}

bool SelectLightingParameter(settings::SettingsImage& image, std::size_t entry) {
    std::uint8_t* byte = ParameterByte(image);
    if (byte == nullptr || entry >= LightingParameterNames(image.lightingMode()).size()) {
        return false;
    }
    *byte = static_cast<std::uint8_t>(entry);
    return true;
}

bool SelectColourEffect(settings::SettingsImage& image, std::size_t entry) {
    std::uint8_t* byte = EffectByte(image);
    const std::span<const LightingName> choices = ColourEffectChoices(image.lightingMode());
    if (byte == nullptr || entry >= choices.size()) return false;
    *byte = choices[entry].value;
    return true;
}

LightingBytes TranslateLighting(const settings::SettingsImage& image, LightingBytes effect) {
    std::array<std::uint8_t, 3>& settingBank0 = effect.settingBank0;
    switch (image.lightingMode()) {
        case kLightingStandard:
            effect.effect = kLightingStandard;
            effect.option1 = Sent(image.standardBrightness());
            effect.option2 = 2;
            settingBank0[0] = 1;
            break;
        case kLightingRespiration:
            effect.effect = kLightingRespiration;
            effect.option1 = Sent(image.respirationPeriod());
            if (image.respirationColourEffect() == kEffectRgb) {
                effect.option2 = 2;
                settingBank0[0] = 1;
            } else if (image.respirationColourEffect() == kEffectRgbFlash) {
                effect.option2 = 3;
                settingBank0 = kFlashBank;
            }
            break;
        case kLightingNeon:
            effect.effect = kLightingNeon;
            effect.option1 = Sent(image.neonPeriod());
            if (image.neonColourEffect() == kEffectRgbFlash) {
                settingBank0 = kFlashBank;
            } else if (image.neonColourEffect() == kEffectRgbFixedOn) {
                settingBank0 = kFixedOnBank;
            }
            break;
        default:
            // Off, or a mode the program does not know: the mouse keeps its own.
            break;
    }
    return effect;
}

LightingChoices PressLightingField(settings::SettingsImage& image, i18n::Language language,
                                   LightingField field) {
    LightingChoices out;
    switch (field) {
        case LightingField::Mode:
            for (const auto& m : LightingModeChoices())
                out.entries.emplace_back(i18n::LightingModeName(language, m.value));
            break;
        case LightingField::Parameter:
            for (std::string_view n : LightingParameterNames(image.lightingMode()))
                out.entries.emplace_back(n);
            break;
        case LightingField::Effect:
            if (image.lightingMode() == kLightingStandard) {
                image.standardColourEffect() = kEffectRgb;
                out.chosenAtOnce = true;
                break;
            }
            for (const auto& e : ColourEffectChoices(image.lightingMode()))
                out.entries.emplace_back(i18n::LightingEffectName(language, e.value));
            break;
    }
    return out;
}

bool ChooseLightingEntry(settings::SettingsImage& image, LightingField field, std::size_t entry) {
    switch (field) {
        case LightingField::Mode:
            return SelectLightingMode(image, entry);
        case LightingField::Parameter:
            return SelectLightingParameter(image, entry);
        case LightingField::Effect:
            return SelectColourEffect(image, entry);
    }
    return false;
}

}  // namespace ornyx::performance

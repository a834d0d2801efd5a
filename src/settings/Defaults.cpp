#include "settings/Defaults.h"

#include <array>
#include <filesystem>

#include "i18n/TextSettings.h"
#include "keys/KeyFunction.h"
#include "profile/PrivateProfile.h"
#include "settings/Configuration.h"

namespace ornyx::settings {

namespace fs = std::filesystem;

void RestorePointerDefaults(SettingsImage& image) {
    image.enhancedPointerPrecision() = 0;
    image.scrollOnePage() = 0;
    image.pointerSpeed() = 6;
    image.scrollLines() = 3;
    image.doubleClickSpeed() = 6;
}

SettingsImage DefaultSettingsImage() {
    SettingsImage image;
    keys::RestoreKeys(image);
    image.reportRate() = 1;  // 1000 Hz
    // Steps 2, 4, 6 and 8 exist on every sensor's list.
    constexpr std::array<std::uint8_t, 4> steps = {1, 3, 5, 7};
    constexpr std::array<std::array<std::uint8_t, 3>, 4> colours = {
        {{0xFF, 0x30, 0x30}, {0x30, 0xFF, 0x60}, {0x30, 0x80, 0xFF}, {0xFF, 0xC0, 0x20}}};
    for (std::size_t level = 1; level <= 4; ++level) {
        image.dpiStep(level) = steps[level - 1];
        image.dpiEnabled(level) = 1;
        const auto rgb = image.dpiColour(level);
        std::copy(colours[level - 1].begin(), colours[level - 1].end(), rgb.begin());
    }
    image.lightingMode() = 1;        // Standard
    image.standardBrightness() = 9;  // 100%
    image.standardColourEffect() = 1;
    image.respirationColourEffect() = 1;
    image.neonColourEffect() = 2;
    RestorePointerDefaults(image);
    return image;
}

InitResult InitProgramHome(const ProgramPaths& paths) {
    InitResult result;
    result.failure.ok = true;
    std::error_code ec;
    fs::create_directories(paths.home, ec);
    if (ec) {
        result.failure = {false, ec.value(), "cannot create " + paths.home.string() + ": " + ec.message()};
        return result;
    }
    if (!fs::exists(paths.config, ec)) {
        std::array<std::uint8_t, kConfigFileSize> data{};
        const SettingsImage image = DefaultSettingsImage();
        std::copy(image.bytes.begin(), image.bytes.end(), data.begin() + 1);
        result.failure = WriteFileAtomically(paths.config, data);
        if (!result.failure.ok) return result;
        result.wroteConfig = true;
    }
    if (!fs::exists(paths.text, ec)) {
        // No "Lan": the first start takes the language from the locale
        // (English in the C locale); the English labels are there already.
        const i18n::Language language = i18n::Language::English;
        {
            result.failure = i18n::SaveSkinChoice(paths.text, kDefaultTextRed, kDefaultTextGreen,
                                                  kDefaultTextBlue, kDefaultSkinName);
        }
        if (result.failure.ok) {
            result.failure = i18n::SaveButtonLabels(paths.text, language,
                                                    i18n::DefaultButtonLabels(language));
        }
        if (!result.failure.ok) return result;
        result.wroteText = true;
    }
    return result;
}

}  // namespace ornyx::settings

#include "session/Defaults.h"

#include <array>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <vector>

#include "i18n/TextSettings.h"
#include "keys/KeyFunction.h"
#include "performance/PointerSettings.h"
#include "profile/PrivateProfile.h"
#include "settings/Configuration.h"

namespace ornyx::session {

namespace fs = std::filesystem;
using settings::ProgramPaths;
using settings::SettingsImage;

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
    performance::RestorePointerDefaults(image);
    return image;
}

WriteResult WriteDefaultConfiguration(const fs::path& config) {
    std::array<std::uint8_t, settings::kConfigFileSize> data{};
    const SettingsImage image = DefaultSettingsImage();
    std::copy(image.bytes.begin(), image.bytes.end(), data.begin() + 1);
    return WriteFileAtomically(config, data);
}

InitResult InitProgramHome(const ProgramPaths& paths) {
    InitResult result;
    result.failure.ok = true;
    std::error_code ec;
    fs::create_directories(paths.home, ec);
    if (ec) {
        result.failure = {false, ec.value(),
                          "cannot create " + paths.home.string() + ": " + ec.message()};
        return result;
    }
    if (!fs::exists(paths.config, ec)) {
        result.failure = WriteDefaultConfiguration(paths.config);
        if (!result.failure.ok) return result;
        result.wroteConfig = true;
    }
    // str.ini in one write, so that a kill never leaves half of it; a file that
    // lacks some of its keys (an older or interrupted init) gets them added,
    // and whatever it holds stays.
    std::vector<std::uint8_t> old;
    const bool textExists = fs::exists(fs::symlink_status(paths.text, ec));
    if (textExists && !ReadWholeFile(paths.text, old)) {
        result.failure = {false, EIO, paths.text.string() + " exists but cannot be read"};
        return result;
    }
    profile::IniDocument doc = profile::IniDocument::ParseFile(paths.text, old);
    const auto has = [&](std::string_view section, std::string_view key) {
        return doc.Get(section, key).has_value();
    };
    bool changed = false;
    const auto add = [&](std::string_view section, std::string_view key, std::string_view value) {
        if (!has(section, key)) changed = doc.Set(section, key, value) || changed;
    };
    // No "Lan" is written: the first start takes the language from the locale
    // (English in the C locale), and the English labels are there already.
    const std::optional<std::string> code = doc.Get(i18n::kSkinsSection, i18n::kLanguageKey);
    const i18n::Language language = code ? i18n::LanguageFromCode(*code) : i18n::Language::English;
    add(i18n::kSkinsSection, i18n::kRedKey, std::to_string(kDefaultTextRed));
    add(i18n::kSkinsSection, i18n::kGreenKey, std::to_string(kDefaultTextGreen));
    add(i18n::kSkinsSection, i18n::kBlueKey, std::to_string(kDefaultTextBlue));
    add(i18n::kSkinsSection, i18n::kSkinNameKey, kDefaultSkinName);
    const i18n::ButtonLabels labels = i18n::DefaultButtonLabels(language);
    for (std::size_t i = 0; i < labels.size(); ++i) {
        add(i18n::ButtonLabelSection(language), i18n::LabelKey(i), labels[i]);
    }
    if (changed) {
        result.failure = profile::WriteDocument(paths.text, doc);
        if (!result.failure.ok) return result;
        (textExists ? result.repairedText : result.wroteText) = true;
    }
    return result;
}

}  // namespace ornyx::session

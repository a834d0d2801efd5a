#include "i18n/TextSettings.h"

#include <algorithm>

#include <climits>
#include <optional>
#include <string>
#include <utility>

#include "i18n/Texts.h"
#include "profile/PrivateProfile.h"

namespace ornyx::i18n {

namespace fs = std::filesystem;

namespace {

// str.ini is read once per load, not once per key: a huge file then costs one
// bounded read instead of thirty. One that cannot be read gives the defaults.
profile::IniDocument LoadDocument(const fs::path& file) {
    return profile::LoadProfile(file).value_or(profile::IniDocument{});
}

std::string Read(const profile::IniDocument& doc, std::string_view section, std::string_view key) {
    return profile::GetProfileString(doc, section, key, "", kProfileBufferChars);
}

ButtonLabels LabelsFrom(const profile::IniDocument& doc, Language language) {
    const std::string_view section = ButtonLabelSection(language);
    ButtonLabels labels;
    for (std::size_t i = 0; i < labels.size(); ++i) labels[i] = Read(doc, section, LabelKey(i));
    return labels;
}

void LabelsAndSkinFrom(const profile::IniDocument& doc, TextSettings& settings) {
    settings.labels = LabelsFrom(doc, settings.language);
    if (settings.languageFromLocale &&
        std::all_of(settings.labels.begin(), settings.labels.end(),
                    [](const std::string& l) { return l.empty(); })) {
        settings.labels = DefaultButtonLabels(settings.language);
    }
    settings.red = ParseColourComponent(Read(doc, kSkinsSection, kRedKey));
    settings.green = ParseColourComponent(Read(doc, kSkinsSection, kGreenKey));
    settings.blue = ParseColourComponent(Read(doc, kSkinsSection, kBlueKey));
    settings.skinName = Read(doc, kSkinsSection, kSkinNameKey);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

std::string_view ButtonLabelSection(Language language) {
    switch (language) {
        case Language::ChineseSimplified:
            return "Setting-CHS";
        case Language::ChineseTraditional:
            return "Setting-CHT";
        case Language::Turkish:
            return "Setting-TUR";
        case Language::English:
            break;
    }
    return "Setting-EN";
}

std::string LabelKey(std::size_t index) {
    if (index >= kButtonLabelCount) return {};
    if (index < kSlotsPerMode) return "Item" + std::to_string(index + 1);
    return "Item" + std::to_string(index - kSlotsPerMode + 1) + "3";
}

ButtonLabels DefaultButtonLabels(Language language) {
    constexpr std::array<TextId, 5> kFirstFive = {
        TextId::LeftClick, TextId::RightClick, TextId::MidClick, TextId::Forward, TextId::Backward};
    ButtonLabels labels;
    for (const settings::Mode mode : {settings::Mode::A, settings::Mode::B}) {
        for (std::size_t slot = 0; slot < kSlotsPerMode; ++slot) {
            std::string_view text;
            if (slot < kFirstFive.size()) {
                text = Text(language, kFirstFive[slot]);
            } else if (slot == kFirstFive.size()) {
                text = kDpiLoop;
            } else {
                text = Text(language, TextId::KeyOff);
            }
            labels[LabelIndex(mode, slot)] = std::string(text);
        }
    }
    return labels;
}

std::uint8_t ParseColourComponent(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate as a non-negative magnitude and stop growing once it is past the
    // int range, so that any number of digits is safe.
    constexpr long long kLimit = static_cast<long long>(INT_MAX) + 1;
    long long magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (magnitude <= kLimit) magnitude = magnitude * 10 + (text[i] - '0');
    }
    long long value = negative ? -magnitude : magnitude;
    if (value > INT_MAX) value = INT_MAX;
    if (value < INT_MIN) value = INT_MIN;
    // Two's complement low byte: the same as storing the int in an unsigned byte.
    return static_cast<std::uint8_t>(static_cast<unsigned long long>(value) & 0xFFu);
}

std::string ReadLanguageCode(const fs::path& file) {
    return Read(LoadDocument(file), kSkinsSection, kLanguageKey);
}

ButtonLabels LoadButtonLabels(const fs::path& file, Language language) {
    return LabelsFrom(LoadDocument(file), language);
}

void ReloadLabelsAndSkin(const fs::path& file, TextSettings& settings) {
    LabelsAndSkinFrom(LoadDocument(file), settings);
}

TextSettings LoadTextSettings(const fs::path& file, std::string_view locale) {
    const profile::IniDocument doc = LoadDocument(file);
    TextSettings settings;
    settings.languageCode = Read(doc, kSkinsSection, kLanguageKey);
    settings.language = LanguageFromCode(settings.languageCode);
    // No "Lan" at all (an empty one is English): the locale decides.
    if (!locale.empty() && !doc.Get(kSkinsSection, kLanguageKey).has_value()) {
        settings.language = LanguageFromLocale(locale);
        settings.languageFromLocale = true;
    }
    LabelsAndSkinFrom(doc, settings);
    return settings;
}

WriteResult SaveLanguage(const fs::path& file, Language language) {
    const ButtonLabels labels = LoadButtonLabels(file, language);
    const bool none =
        std::all_of(labels.begin(), labels.end(), [](const std::string& l) { return l.empty(); });
    WriteResult result = profile::WritePrivateProfileString(file, kSkinsSection, kLanguageKey,
                                                            LanguageCode(language));
    if (result.ok && none) result = SaveButtonLabels(file, language, DefaultButtonLabels(language));
    return result;
}

WriteResult SaveButtonLabels(const fs::path& file, Language language, const ButtonLabels& labels) {
    std::array<std::string, kButtonLabelCount> keys;
    std::array<std::string, kButtonLabelCount> values;
    std::array<profile::ProfileEntry, kButtonLabelCount> entries;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        keys[i] = LabelKey(i);
        values[i] = labels[i];
        // A line break would start new keys or sections.
        for (char& c : values[i]) {
            if (c == '\r' || c == '\n' || c == '\0') c = ' ';
        }
        entries[i] = {keys[i], values[i]};
    }
    // One rewrite for all 24 labels: an apply should not wait on 24 disk flushes.
    return profile::WritePrivateProfileStrings(file, ButtonLabelSection(language), entries);
}

WriteResult SaveButtonLabels(const fs::path& file, const TextSettings& settings) {
    return SaveButtonLabels(file, settings.language, settings.labels);
}

WriteResult SaveSkinChoice(const fs::path& file, std::uint8_t red, std::uint8_t green,
                           std::uint8_t blue, std::string_view skinName) {
    const std::string r = std::to_string(red);
    const std::string g = std::to_string(green);
    const std::string b = std::to_string(blue);
    const std::array<profile::ProfileEntry, 4> entries = {{
        {kRedKey, r},
        {kGreenKey, g},
        {kBlueKey, b},
        {kSkinNameKey, skinName},
    }};
    return profile::WritePrivateProfileStrings(file, kSkinsSection, entries);
}

WriteResult ResetLabelsToDefaults(const fs::path& file, TextSettings& settings) {
    settings.labels = DefaultButtonLabels(settings.language);
    return SaveButtonLabels(file, settings);
}

}  // namespace ornyx::i18n

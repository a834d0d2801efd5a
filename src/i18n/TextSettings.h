#pragma once

// The text settings file str.ini: the language code, the text colour and the skin
// name in section "Skins", and the 24 button labels in one section per language.
// The file is shared with Windows installations, so keys, sections and value
// formats are fixed; every read and write goes through the private-profile module.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "common/AtomicFile.h"
#include "i18n/Language.h"
#include "settings/SettingsImage.h"

namespace ornyx::i18n {

inline constexpr std::string_view kSkinsSection = "Skins";
inline constexpr std::string_view kLanguageKey = "Lan";
inline constexpr std::string_view kRedKey = "RColor";
inline constexpr std::string_view kGreenKey = "GColor";
inline constexpr std::string_view kBlueKey = "BColor";
inline constexpr std::string_view kSkinNameKey = "Path";

// Every value is read as into a buffer of this many UTF-16 characters (one is the
// terminator), so a longer hand-edited value is cut the same way everywhere.
inline constexpr std::size_t kProfileBufferChars = 1024;

inline constexpr std::size_t kSlotsPerMode = 12;
inline constexpr std::size_t kButtonLabelCount = 2 * kSlotsPerMode;

// Index 0..11: Mode A slots 0..11; 12..23: Mode B slots 0..11 (see LabelIndex).
using ButtonLabels = std::array<std::string, kButtonLabelCount>;

constexpr std::size_t LabelIndex(settings::Mode mode, std::size_t slot) {
    return (mode == settings::Mode::B ? kSlotsPerMode : 0) + slot;
}

// "Setting-CHS", "Setting-CHT", "Setting-TUR", "Setting-EN".
std::string_view ButtonLabelSection(Language language);

// The key of a label index: "Item1" … "Item12" for Mode A, and for Mode B the slot
// number followed by the digit 3: "Item13", "Item23", … "Item123". Empty for an
// index outside 0..23.
std::string LabelKey(std::size_t index);

// The labels a fresh installation and the key restore give: Left Click, Right
// Click, Mid Click, Forward, Backward in the language, "DPI Loop" (the same in
// every language) for button 6, and Key Off for the six slots without a box;
// the same in both modes.
ButtonLabels DefaultButtonLabels(Language language);

// A colour component from its text, as the program has always converted it:
// leading white space, an optional sign and the leading decimal digits make an
// int (anything after them is ignored, no digits give 0, values beyond the int
// range saturate), and the int is kept modulo 256. So "abc" gives 0, "300" 44,
// "-5" 251, "12px" 12 and "99999999999" 255.
std::uint8_t ParseColourComponent(std::string_view text);

struct TextSettings {
    std::string languageCode;  // "Lan" as read; empty when missing
    Language language = Language::English;
    // No "Lan" yet: the language came from the locale, and a language without
    // labels in the file shows its default labels.
    bool languageFromLocale = false;
    ButtonLabels labels;  // of the language's section; a missing key is empty
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::string skinName;  // "Path": a sub-folder of Skins; empty when missing
};

// Never fails: a missing or unreadable file reads as all keys missing (English,
// empty labels, black text, empty skin name).
// With a `locale` given, a file without any "Lan" key (a first run) takes
// the language from it (LanguageFromLocale).
TextSettings LoadTextSettings(const std::filesystem::path& file, std::string_view locale = {});

// Writes "Lan" and, when the file holds no labels for that language yet, the
// language's default labels, so that the next start shows them.
WriteResult SaveLanguage(const std::filesystem::path& file, Language language);

std::string ReadLanguageCode(const std::filesystem::path& file);
ButtonLabels LoadButtonLabels(const std::filesystem::path& file, Language language);

// Re-reads what a restore after Cancel re-reads: the labels of the language, the
// colour and the skin name. The language stays as it was read at start-up.
void ReloadLabelsAndSkin(const std::filesystem::path& file, TextSettings& settings);

// Writes the 24 labels of the settings' language, in key order, in one atomic
// rewrite of the file; creates the file or section when missing. Line breaks
// and NULs in a label are written as blanks (they would split the line).
WriteResult SaveButtonLabels(const std::filesystem::path& file, Language language,
                             const ButtonLabels& labels);
WriteResult SaveButtonLabels(const std::filesystem::path& file, const TextSettings& settings);

// Writes "RColor", "GColor", "BColor" as decimal text and then "Path", as the skins
// dialog does on OK, in one atomic rewrite.
WriteResult SaveSkinChoice(const std::filesystem::path& file, std::uint8_t red, std::uint8_t green,
                           std::uint8_t blue, std::string_view skinName);

// Sets the labels to the defaults of the settings' language and writes them.
WriteResult ResetLabelsToDefaults(const std::filesystem::path& file, TextSettings& settings);

}  // namespace ornyx::i18n

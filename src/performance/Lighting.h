#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "i18n/Language.h"
#include "settings/SettingsImage.h"

namespace ornyx::performance {

// Stored lighting modes. Off has a name but cannot be chosen.
enum LightingMode : std::uint8_t {
    kLightingOff = 0,
    kLightingStandard = 1,
    kLightingRespiration = 2,
    kLightingNeon = 3,
};

// Stored colour effects, the same list for every mode.
enum ColourEffect : std::uint8_t {
    kEffectNone = 0,
    kEffectRgb = 1,
    kEffectRgbFlash = 2,
    kEffectRgbFixedOn = 3,
};

// A stored value with its English name. `localized` names have an entry in
// the language tables and are shown through them (looked up by this English
// text); the others read the same in every language.
struct LightingName {
    std::uint8_t value;
    std::string_view name;
    bool localized;
};

// Names by stored value (index = value), for the fields.
std::span<const LightingName> LightingModeNames();
std::span<const LightingName> ColourEffectNames();
// Empty for a value outside its list.
std::string_view LightingModeName(std::uint8_t mode);
std::string_view ColourEffectName(std::uint8_t effect);

// Drop-down entries in list order; entry i stores its `value`.
std::span<const LightingName> LightingModeChoices();
// Standard offers a single effect, which the page shows without a list;
// the other modes their two effects; a mode outside 1..3 none.
std::span<const LightingName> ColourEffectChoices(std::uint8_t mode);

// The parameter drop-down of a mode (brightness or period), entry i = stored
// index i. The texts read the same in every language. Empty for a mode
// outside 1..3.
std::span<const std::string_view> LightingParameterNames(std::uint8_t mode);
// Empty for an index outside the mode's list.
std::string_view LightingParameterName(std::uint8_t mode, std::uint8_t index);

// What the three fields show for the stored mode: its parameter index and its
// colour effect (Standard always shows RGB Effect, the only effect it sends).
// Nothing for a mode outside 1..3.
std::optional<std::uint8_t> CurrentLightingParameter(const settings::SettingsImage& image);
std::optional<std::uint8_t> CurrentColourEffect(const settings::SettingsImage& image);

// Drop-down selections. Each mode keeps its own parameter and effect, so
// switching modes back and forth restores the earlier choices. An entry
// outside the list, or a parameter or effect while the stored mode is outside
// 1..3, is ignored; each returns true when it stored something.
bool SelectLightingMode(settings::SettingsImage& image, std::size_t entry);
bool SelectLightingParameter(settings::SettingsImage& image, std::size_t entry);
bool SelectColourEffect(settings::SettingsImage& image, std::size_t entry);

// The three lighting fields of the Basic page, each with its drop-down.
enum class LightingField : std::uint8_t { Mode, Parameter, Effect };

// What a press on a field offers: the drop-down's entries in `language`, in
// list order. Standard has a single effect: the press on its effect field
// chooses it at once and no list opens (`chosenAtOnce`, no entries).
struct LightingChoices {
    std::vector<std::string> entries;
    bool chosenAtOnce = false;
};
LightingChoices PressLightingField(settings::SettingsImage& image, i18n::Language language,
                                   LightingField field);
// Entry `entry` of the field's open list was chosen; false when nothing was stored.
bool ChooseLightingEntry(settings::SettingsImage& image, LightingField field, std::size_t entry);

// The mouse's lighting bytes: the effect settings and setting bank 0.
struct LightingBytes {
    std::uint8_t effect = 0;
    std::uint8_t option1 = 0;
    std::uint8_t option2 = 0;
    std::array<std::uint8_t, 3> settingBank0{};
};

// Read-modify-write of the lighting before it goes back to the mouse: `effect`,
// the bytes as read, changed only where the lighting fields decide them; whatever
// the mouse holds for a mode or effect the program does not know is written
// back as read. The parameter index is sent plus one, wrapping at 256.
LightingBytes TranslateLighting(const settings::SettingsImage& image, LightingBytes effect);

}  // namespace ornyx::performance

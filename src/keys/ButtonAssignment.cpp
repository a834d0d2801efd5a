#include "keys/ButtonAssignment.h"

#include <algorithm>

#include "i18n/Texts.h"
#include "keys/KeyTables.h"

namespace ornyx::keys {

using settings::Mode;
using settings::SlotArray;

namespace {

std::uint8_t Byte(int value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

std::uint8_t& At(const SlotChoice& c, SlotArray a) {
    return c.image.slot(c.shown, a, c.slot);
}

std::string& OwnLabel(const SlotChoice& c) {
    return c.text.labels[i18n::LabelIndex(c.shown, c.slot)];
}
std::string& TwinLabel(const SlotChoice& c) {
    return c.text.labels[i18n::LabelIndex(OtherMode(c.shown), c.slot)];
}

// "Entry-parameter", the label of a function with a parameter.
std::string Prefixed(const SlotChoice& c, ButtonFunction f, std::string_view parameter) {
    std::string label(i18n::ButtonFunctionName(c.text.language, static_cast<std::size_t>(f)));
    label += '-';
    label += parameter;
    return label;
}

constexpr auto kLeft = static_cast<std::uint8_t>(ButtonFunction::LeftButton);
constexpr auto kShift = static_cast<std::uint8_t>(ButtonFunction::Shift);

}  // namespace

Mode OtherMode(Mode mode) {
    return mode == Mode::A ? Mode::B : Mode::A;
}

bool MenuMayOpen(const settings::SettingsImage& image, Mode shown, std::size_t slot) {
    if (image.function(shown, slot) != kLeft) return true;
    for (std::size_t k = 0; k < settings::SettingsImage::kSlots; ++k) {
        if (k != slot && image.function(shown, k) == kLeft) return true;
    }
    return false;
}

EntryKind KindOfEntry(int entry) {
    if (entry < 0 || entry >= static_cast<int>(kButtonFunctionCount)) return EntryKind::Ignored;
    const auto f = static_cast<ButtonFunction>(entry);
    if (f == ButtonFunction::DpiSwitch) return EntryKind::Ignored;
    if (f == ButtonFunction::Shift) return EntryKind::Shift;
    if (f >= ButtonFunction::WindowsFunction && f <= ButtonFunction::Macro)
        return EntryKind::Parameters;
    return EntryKind::Plain;
}

bool ChooseShift(const SlotChoice& c) {
    for (std::size_t k = 0; k < kEncodedSlots; ++k) {
        if (c.image.function(c.shown, k) == kShift) return false;
    }
    c.image.function(c.shown, c.slot) = kShift;
    c.image.function(OtherMode(c.shown), c.slot) = kShift;
    OwnLabel(c) = std::string(
        i18n::ButtonFunctionName(c.text.language, static_cast<std::size_t>(ButtonFunction::Shift)));
    TwinLabel(c) = OwnLabel(c);
    return true;
}

void ChooseFunction(const SlotChoice& c, ButtonFunction f, const std::string& label) {
    const auto function = static_cast<std::uint8_t>(f);
    OwnLabel(c) = label;
    if (c.image.function(c.shown, c.slot) == kShift) {
        c.image.function(c.shown, c.slot) = function;
        c.image.function(OtherMode(c.shown), c.slot) = function;
        CopyParameters(c.image, f, c.slot, c.shown);
        TwinLabel(c) = OwnLabel(c);
    } else {
        c.image.function(c.shown, c.slot) = function;
    }
}

void ChooseDpiVariant(const SlotChoice& c, int entry) {
    if (entry < 0 || entry >= static_cast<int>(i18n::kDpiSwitchVariants.size())) return;
    OwnLabel(c) = std::string(i18n::kDpiSwitchVariants[static_cast<std::size_t>(entry)]);
    const bool carriedShift = c.image.function(c.shown, c.slot) == kShift;
    c.image.function(c.shown, c.slot) = static_cast<std::uint8_t>(ButtonFunction::DpiSwitch);
    c.image.dpiVariant(c.shown, c.slot) = static_cast<std::uint8_t>(entry + 1);
    if (carriedShift) {
        c.image.function(OtherMode(c.shown), c.slot) =
            static_cast<std::uint8_t>(ButtonFunction::DpiSwitch);
        CopyParameters(c.image, ButtonFunction::DpiSwitch, c.slot, c.shown);
        TwinLabel(c) = OwnLabel(c);
    }
}

void CopyParameters(settings::SettingsImage& image, ButtonFunction f, std::size_t slot, Mode from) {
    const Mode to = OtherMode(from);
    const auto copy = [&](SlotArray a) { image.slot(to, a, slot) = image.slot(from, a, slot); };
    switch (f) {
        case ButtonFunction::WindowsFunction:
            copy(SlotArray::WindowsFunctionIndex);
            copy(SlotArray::WindowsUsageLow);
            copy(SlotArray::WindowsUsageHigh);
            break;
        case ButtonFunction::Multimedia:
            copy(SlotArray::MultimediaIndex);
            copy(SlotArray::MultimediaUsage);
            break;
        case ButtonFunction::FireKey:
            copy(SlotArray::FireKeyIndex);
            copy(SlotArray::FireKeyCode);
            copy(SlotArray::FireKeySpeed);
            copy(SlotArray::FireKeyTimes);
            break;
        case ButtonFunction::SingleKey:
            copy(SlotArray::SingleKey);
            break;
        case ButtonFunction::ComboKey:
            copy(SlotArray::ComboModifier);
            copy(SlotArray::ComboKey1);
            copy(SlotArray::ComboKey2);
            break;
        case ButtonFunction::Macro:
            copy(SlotArray::MacroNumber);
            copy(SlotArray::MacroRepeatMode);
            break;
        case ButtonFunction::DpiSwitch:
            image.dpiVariant(to, slot) = image.dpiVariant(from, slot);
            break;
        default:
            break;
    }
}

std::string AssignWindowsFunction(const SlotChoice& c, int index, std::string_view chosenText) {
    const auto i = static_cast<std::size_t>(index);
    At(c, SlotArray::WindowsFunctionIndex) = Byte(index);
    At(c, SlotArray::WindowsUsageLow) = static_cast<std::uint8_t>(WindowsFunctionUsage(i) & 0xFF);
    // The usage page: system control for the first four, consumer for the rest.
    At(c, SlotArray::WindowsUsageHigh) = i <= 3 ? 1 : i <= 10 ? 2 : 0;
    return std::string(chosenText);
}

std::string AssignMultimedia(const SlotChoice& c, int index, std::string_view chosenText) {
    At(c, SlotArray::MultimediaIndex) = Byte(index);
    At(c, SlotArray::MultimediaUsage) =
        static_cast<std::uint8_t>(MultimediaUsage(static_cast<std::size_t>(index)) & 0xFF);
    return Prefixed(c, ButtonFunction::Multimedia, chosenText);
}

std::string AssignFireKey(const SlotChoice& c, int keyIndex, std::uint8_t speed, std::uint8_t times,
                          std::string_view keyText) {
    At(c, SlotArray::FireKeyIndex) = Byte(keyIndex);
    At(c, SlotArray::FireKeyCode) = FireKeyCode(static_cast<std::size_t>(keyIndex));
    At(c, SlotArray::FireKeySpeed) = speed;
    At(c, SlotArray::FireKeyTimes) = times;
    return Prefixed(c, ButtonFunction::FireKey, keyText);
}

std::string AssignSingleKey(const SlotChoice& c, std::string_view keyName) {
    At(c, SlotArray::SingleKey) = KeyNameToUsage(keyName);
    return Prefixed(c, ButtonFunction::SingleKey, keyName);
}

std::string AssignComboKey(const SlotChoice& c, std::string_view modifier, std::string_view key1,
                           std::string_view key2) {
    const std::uint8_t mask = ModifierNameToMask(modifier);
    const std::uint8_t usage1 = KeyNameToUsage(key1);
    const std::uint8_t usage2 = KeyNameToUsage(key2);
    At(c, SlotArray::ComboModifier) = mask;
    At(c, SlotArray::ComboKey1) = usage1;
    At(c, SlotArray::ComboKey2) = usage2;
    std::string combination;
    const auto add = [&](bool sent, std::string_view name) {
        if (!sent) return;
        if (!combination.empty()) combination += '+';
        combination += name;
    };
    add(mask != 0, modifier);
    add(usage1 != 0, key1);
    add(usage2 != 0, key2);
    return Prefixed(c, ButtonFunction::ComboKey, combination);
}

std::string AssignMacro(const SlotChoice& c, int number, int repeatMode,
                        std::string_view macroName) {
    At(c, SlotArray::MacroNumber) = Byte(number);
    At(c, SlotArray::MacroRepeatMode) = Byte(repeatMode - 1);
    return Prefixed(c, ButtonFunction::Macro, macroName);
}

}  // namespace ornyx::keys

#pragma once

// What a choice in one of the Basic page's button menus writes into the
// settings image and the button labels. The window's menus and dialogs only
// collect the choice; the rules live here, so that they are tested without a
// window. Nothing reaches the mouse here; Apply encodes and sends it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "i18n/TextSettings.h"
#include "keys/KeyFunction.h"
#include "settings/SettingsImage.h"

namespace ornyx::keys {

// One box: its slot in the mode shown, the image and the 24 labels.
struct SlotChoice {
    settings::SettingsImage& image;
    i18n::TextSettings& text;
    settings::Mode shown;
    std::size_t slot;
};

settings::Mode OtherMode(settings::Mode mode);

// False when the slot is the shown mode's only carrier of the left button:
// its menu must not open, or the mouse could be left without one.
bool MenuMayOpen(const settings::SettingsImage& image, settings::Mode shown, std::size_t slot);

// How a menu entry is assigned.
enum class EntryKind : std::uint8_t {
    Ignored,     // outside the list, or "DPI Switch", which only its sub-menu assigns
    Shift,       // works across both modes
    Plain,       // a function without parameters
    Parameters,  // its dialog's choice comes first (Windows function .. macro)
};
EntryKind KindOfEntry(int entry);

// Shift sits on the same button in both modes, and only once: true when it
// was assigned, false when a slot of the shown mode already carries it.
bool ChooseShift(const SlotChoice& c);

// Assigns `f` with the box label `label`. A slot that carried Shift takes the
// function in both modes, with the same parameters and label.
void ChooseFunction(const SlotChoice& c, ButtonFunction f, const std::string& label);

// The DPI sub-menu's entry 0..3; out of range changes nothing.
void ChooseDpiVariant(const SlotChoice& c, int entry);

// The other mode gets the parameters `f` uses in mode `from`.
void CopyParameters(settings::SettingsImage& image, ButtonFunction f, std::size_t slot,
                    settings::Mode from);

// The parameters a function's dialog chose, written into the shown mode's
// slot; each returns the box label. Indexes outside a byte are clamped.
std::string AssignWindowsFunction(const SlotChoice& c, int index, std::string_view chosenText);
std::string AssignMultimedia(const SlotChoice& c, int index, std::string_view chosenText);
std::string AssignFireKey(const SlotChoice& c, int keyIndex, std::uint8_t speed, std::uint8_t times,
                          std::string_view keyText);
std::string AssignSingleKey(const SlotChoice& c, std::string_view keyName);
// Only the parts that reach the mouse are named in the label.
std::string AssignComboKey(const SlotChoice& c, std::string_view modifier, std::string_view key1,
                           std::string_view key2);
std::string AssignMacro(const SlotChoice& c, int number, int repeatMode,
                        std::string_view macroName);

}  // namespace ornyx::keys

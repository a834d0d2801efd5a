#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "settings/SettingsImage.h"

namespace ornyx::keys {

// Byte b0 of a key function code.
enum class KeyFunctionKind : std::uint8_t {
    Keyboard = 0x00,
    MouseButton = 0x01,
    Consumer = 0x03,
    DpiSwitch = 0x07,
    Special = 0x08,
    Macro = 0x09,
    FireKey = 0x0A,
};

// b2 of a Special code.
inline constexpr std::uint8_t kSpecialShift = 2;
inline constexpr std::uint8_t kSpecialRgbToggle = 3;

// The entries of the button menu. The entry index is the function index the
// assignment block stores, so the order is a file format.
enum class ButtonFunction : std::uint8_t {
    LeftButton = 0,
    RightButton = 1,
    MiddleButton = 2,
    Forward = 3,
    Back = 4,
    TripleFire = 5,
    DpiSwitch = 6,
    RgbToggle = 7,
    WindowsFunction = 8,
    Multimedia = 9,
    FireKey = 10,
    SingleKey = 11,
    ComboKey = 12,
    Macro = 13,
    Shift = 14,
    KeyOff = 15,
};
inline constexpr std::size_t kButtonFunctionCount = 16;

// What one button does on the mouse. In a key matrix it takes four bytes in
// the order b0..b3, i.e. a little-endian 32-bit value. All zero means no
// function (key off).
struct KeyFunctionCode {
    std::uint8_t b0 = 0;
    std::uint8_t b1 = 0;
    std::uint8_t b2 = 0;
    std::uint8_t b3 = 0;

    constexpr std::uint32_t Value() const {
        return static_cast<std::uint32_t>(b0) | (static_cast<std::uint32_t>(b1) << 8) |
               (static_cast<std::uint32_t>(b2) << 16) | (static_cast<std::uint32_t>(b3) << 24);
    }
    bool operator==(const KeyFunctionCode&) const = default;
};

// Slots 0..7 reach the mouse; 8..11 are stored only.
inline constexpr std::size_t kEncodedSlots = 8;
inline constexpr std::size_t kMatrixEntries = 16;

// Matrix entry of button slot 0..7: slots 3 and 4 trade places, because the
// button shown as "4" (forward) sits in the mouse's entry 4 and "5" in 3.
constexpr std::size_t MatrixEntryForSlot(std::size_t slot) {
    return slot == 3 ? 4 : slot == 4 ? 3 : slot;
}

// The code of one button slot, from the mode's assignment block and the
// slot's DPI-switch variant. Pure. Values a hand-edited config.bin may hold
// but the menus never store are sent in a harmless defined form:
//   - a slot past 11, or a mode other than A or B: no function (all zero);
//   - function index 16..255: no function;
//   - DPI-switch variant outside 1..4: variant 0 (07 00 00 00, the form of a
//     variant never chosen);
//   - macro number past 11: no function (the mouse has no such macro);
//   - macro repeat mode past 2: repeat mode 0;
//   - fire-key speed below 5: speed 5 (the fastest the dialog allows).
// Key codes, modifier masks and consumer usages are sent as stored.
KeyFunctionCode EncodeKeyFunction(const settings::SettingsImage& image, settings::Mode mode,
                                  std::size_t slot);

// The four key matrices of the key-matrix write, 16 entries of 4 bytes each.
inline constexpr std::size_t kMatrixBytes = 64;
using KeyMatrices = std::array<std::array<std::uint8_t, kMatrixBytes>, 4>;

// The four key matrices for the key-matrix write: Mode A in matrix 1 and
// Mode B in matrix 3 (slots 0..7 into entries 0..7, slots 3 and 4 exchanged;
// entries 8..13 zero; entries 14 and 15 the fixed codes 01 00 F7 00 and
// 01 00 F8 00); matrices 2 and 4 all zero. Made whole each time, so nothing
// left from an earlier apply can leak to the mouse.
KeyMatrices BuildKeyMatrices(const settings::SettingsImage& image);

// The default assignment of a slot (0..11): left, right, middle, forward,
// back, DPI switch, then key off. Slots past 11 give key off.
ButtonFunction DefaultFunction(std::size_t slot);
// DPI-switch variant of the default assignment's slot 5 ("DPI Loop").
inline constexpr std::size_t kDefaultDpiSlot = 5;
inline constexpr std::uint8_t kDefaultDpiVariant = 3;

// Key restore: puts the function indexes of both modes into the default
// assignment and sets slot 5's DPI-switch variant to "DPI Loop" in both
// modes. Parameter bytes, the other slots' variants and the shown mode stay
// as they are. A slot's default label is the menu text of its default
// function, except slot 5 which shows DpiSwitchVariantName(kDefaultDpiVariant).
void RestoreKeys(settings::SettingsImage& image);

}  // namespace ornyx::keys

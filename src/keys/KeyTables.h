#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace ornyx::keys {

// Mouse codes: key codes above the keyboard usages that stand for mouse
// buttons. 0xF7 and 0xF8 have no name; they only fill the two fixed entries
// at the end of a key matrix.
inline constexpr std::uint8_t kMouseLeftButton = 0xF0;
inline constexpr std::uint8_t kMouseRightButton = 0xF1;
inline constexpr std::uint8_t kMouseMiddleButton = 0xF2;
inline constexpr std::uint8_t kMouseButton4 = 0xF3;  // back
inline constexpr std::uint8_t kMouseButton5 = 0xF4;  // forward
inline constexpr std::uint8_t kMouseTiltLeft = 0xF5;
inline constexpr std::uint8_t kMouseTiltRight = 0xF6;
inline constexpr std::uint8_t kMouseFixedEntry14 = 0xF7;
inline constexpr std::uint8_t kMouseFixedEntry15 = 0xF8;

// A key name as the key capture and the macro recorder deliver it, and the
// key code it stands for.
struct KeyNameEntry {
    std::string_view name;
    std::uint8_t usage;
};

struct ModifierEntry {
    std::string_view name;
    std::uint8_t mask;  // one bit of the HID keyboard modifier byte
};

// One entry of the fire-key dialog's list: its text and the code it repeats.
struct FireKeyEntry {
    std::string_view name;
    std::uint8_t code;
};

// One entry of the multimedia or Windows-function list. The text shown for
// an entry is localised elsewhere; `usageName` is the HID consumer usage's
// own name, for diagnostics and the command line.
struct ConsumerEntry {
    std::uint16_t usage;
    std::string_view usageName;
};

struct MouseCodeEntry {
    std::uint8_t code;
    std::string_view name;  // empty for the two unnamed fixed-entry codes
};

// The 107 key names, in table order. Lookups return the first row whose name
// equals the text exactly: case-sensitive, whole text, no trimming.
std::span<const KeyNameEntry> KeyNameTable();
// Key code of a key name; 0 for any text not in the table, the empty text
// included.
std::uint8_t KeyNameToUsage(std::string_view name);

// The eight modifier names, in the order the combination-key dialog lists them.
std::span<const ModifierEntry> ModifierTable();
// Mask bit of a modifier name; 0 for any other text. Note that the modifier
// names ("Left Ctrl", "Left Win") differ from the key names ("Ctrl",
// "Left Windows").
std::uint8_t ModifierNameToMask(std::string_view name);

// The 61 fire-key list entries, in the order the fire-key dialog shows them.
std::span<const FireKeyEntry> FireKeyTable();
// Code of a fire-key list index; 0 for an index past the list.
std::uint8_t FireKeyCode(std::size_t index);

// The multimedia list (7 entries) and the Windows-function list (11 entries),
// in list order; the list index is what the dialogs return.
std::span<const ConsumerEntry> MultimediaTable();
std::span<const ConsumerEntry> WindowsFunctionTable();
// Consumer usage of a list index; 0 for an index past the list.
std::uint16_t MultimediaUsage(std::size_t index);
std::uint16_t WindowsFunctionUsage(std::size_t index);

// Mouse codes 0xF0..0xF8 with their names.
std::span<const MouseCodeEntry> MouseCodeTable();
// Name of a mouse code; empty for the unnamed codes and anything else.
std::string_view MouseCodeName(std::uint8_t code);

// Entries of the DPI sub-menu: variant v (1..4) is entry v - 1. These texts
// are the same in every language; they also serve as button labels.
std::span<const std::string_view> DpiSwitchVariantNames();
// Name of DPI-switch variant 1..4; empty for any other value.
std::string_view DpiSwitchVariantName(std::uint8_t variant);

}  // namespace ornyx::keys

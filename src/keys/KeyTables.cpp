#include "keys/KeyTables.h"

#include <array>

namespace ornyx::keys {

namespace {

// Names are the English key names the key capture yields, so record.ini files
// written elsewhere keep meaning the same keys. "Eurpo(Note 2)" is spelled as
// those files carry it.
constexpr std::array<KeyNameEntry, 107> kKeyNames{{
    {"A", 0x04},
    {"B", 0x05},
    {"C", 0x06},
    {"D", 0x07},
    {"E", 0x08},
    {"F", 0x09},
    {"G", 0x0A},
    {"H", 0x0B},
    {"I", 0x0C},
    {"J", 0x0D},
    {"K", 0x0E},
    {"L", 0x0F},
    {"M", 0x10},
    {"N", 0x11},
    {"O", 0x12},
    {"P", 0x13},
    {"Q", 0x14},
    {"R", 0x15},
    {"S", 0x16},
    {"T", 0x17},
    {"U", 0x18},
    {"V", 0x19},
    {"W", 0x1A},
    {"X", 0x1B},
    {"Y", 0x1C},
    {"Z", 0x1D},
    {"1", 0x1E},
    {"2", 0x1F},
    {"3", 0x20},
    {"4", 0x21},
    {"5", 0x22},
    {"6", 0x23},
    {"7", 0x24},
    {"8", 0x25},
    {"9", 0x26},
    {"0", 0x27},
    {"Enter", 0x28},
    {"Esc", 0x29},
    {"Backspace", 0x2A},
    {"Tab", 0x2B},
    {"Space", 0x2C},
    {"-", 0x2D},
    {"=", 0x2E},
    {"[", 0x2F},
    {"]", 0x30},
    {"\\", 0x31},
    {"Eurpo(Note 2)", 0x32},
    {";", 0x33},
    {"'", 0x34},
    {"`", 0x35},
    {",", 0x36},
    {".", 0x37},
    {"/", 0x38},
    {"Caps Lock", 0x39},
    {"F1", 0x3A},
    {"F2", 0x3B},
    {"F3", 0x3C},
    {"F4", 0x3D},
    {"F5", 0x3E},
    {"F6", 0x3F},
    {"F7", 0x40},
    {"F8", 0x41},
    {"F9", 0x42},
    {"F10", 0x43},
    {"F11", 0x44},
    {"F12", 0x45},
    {"Prnt Scrn", 0x46},
    {"Scroll Lock", 0x47},
    {"Pause", 0x48},
    {"Insert", 0x49},
    {"Home", 0x4A},
    {"Page Up", 0x4B},
    {"Delete", 0x4C},
    {"End", 0x4D},
    {"Page Down", 0x4E},
    {"Right", 0x4F},
    {"Left", 0x50},
    {"Down", 0x51},
    {"Up", 0x52},
    {"Num Lock", 0x53},
    {"Num /", 0x54},
    {"Num *", 0x55},
    {"Num -", 0x56},
    {"Num +", 0x57},
    {"Num Enter", 0x58},
    {"Num 1", 0x59},
    {"Num 2", 0x5A},
    {"Num 3", 0x5B},
    {"Num 4", 0x5C},
    {"Num 5", 0x5D},
    {"Num 6", 0x5E},
    {"Num 7", 0x5F},
    {"Num 8", 0x60},
    {"Num 9", 0x61},
    {"Num 0", 0x62},
    {"Num Del", 0x63},
    {"Ctrl", 0xE0},
    {"Shift", 0xE1},
    {"Alt", 0xE2},
    {"Left Windows", 0xE3},
    {"Right Ctrl", 0xE4},
    {"Right Shift", 0xE5},
    {"Right Alt", 0xE6},
    {"Right Windows", 0xE7},
    {"L-Button", kMouseLeftButton},
    {"R-Button", kMouseRightButton},
    {"M-Button", kMouseMiddleButton},
}};

constexpr std::array<ModifierEntry, 8> kModifiers{{
    {"Left Ctrl", 0x01},
    {"Left Shift", 0x02},
    {"Left Alt", 0x04},
    {"Left Win", 0x08},
    {"Right Ctrl", 0x10},
    {"Right Shift", 0x20},
    {"Right Alt", 0x40},
    {"Right Win", 0x80},
}};

constexpr std::array<FireKeyEntry, 61> kFireKeys{{
    {"A", 0x04},
    {"B", 0x05},
    {"C", 0x06},
    {"D", 0x07},
    {"E", 0x08},
    {"F", 0x09},
    {"G", 0x0A},
    {"H", 0x0B},
    {"I", 0x0C},
    {"J", 0x0D},
    {"K", 0x0E},
    {"L", 0x0F},
    {"M", 0x10},
    {"N", 0x11},
    {"O", 0x12},
    {"P", 0x13},
    {"Q", 0x14},
    {"R", 0x15},
    {"S", 0x16},
    {"T", 0x17},
    {"U", 0x18},
    {"V", 0x19},
    {"W", 0x1A},
    {"X", 0x1B},
    {"Y", 0x1C},
    {"Z", 0x1D},
    {"1", 0x1E},
    {"2", 0x1F},
    {"3", 0x20},
    {"4", 0x21},
    {"5", 0x22},
    {"6", 0x23},
    {"7", 0x24},
    {"8", 0x25},
    {"9", 0x26},
    {"0", 0x27},
    {"L-CTRL", 0xE0},
    {"L-SHIFT", 0xE1},
    {"L-ALT", 0xE2},
    {"R-CTRL", 0xE4},
    {"R-SHIFT", 0xE5},
    {"R-ALT", 0xE6},
    {"F1", 0x3A},
    {"F2", 0x3B},
    {"F3", 0x3C},
    {"F4", 0x3D},
    {"F5", 0x3E},
    {"F6", 0x3F},
    {"F7", 0x40},
    {"F8", 0x41},
    {"F9", 0x42},
    {"F10", 0x43},
    {"F11", 0x44},
    {"F12", 0x45},
    {"L-Button", kMouseLeftButton},
    {"R-Button", kMouseRightButton},
    {"M-Button", kMouseMiddleButton},
    {"B4-Button", kMouseButton4},
    {"B5-Button", kMouseButton5},
    {"L-Tilt Wheel", kMouseTiltLeft},
    {"R-Tilt Wheel", kMouseTiltRight},
}};

// Multimedia usages all sit below 0x100, so the settings image keeps only
// their low byte.
constexpr std::array<ConsumerEntry, 7> kMultimedia{{
    {0x00B5, "Scan Next Track"},
    {0x00B6, "Scan Previous Track"},
    {0x00B7, "Stop"},
    {0x00CD, "Play/Pause"},
    {0x00E2, "Mute"},
    {0x00E9, "Volume Increment"},
    {0x00EA, "Volume Decrement"},
}};

// Application launch (0x01xx) first, then application control (0x02xx).
constexpr std::array<ConsumerEntry, 11> kWindowsFunctions{{
    {0x0183, "AL Consumer Control Configuration"},
    {0x018A, "AL Email Reader"},
    {0x0192, "AL Calculator"},
    {0x0194, "AL Local Machine Browser"},
    {0x0221, "AC Search"},
    {0x0223, "AC Home"},
    {0x0224, "AC Back"},
    {0x0225, "AC Forward"},
    {0x0226, "AC Stop"},
    {0x0227, "AC Refresh"},
    {0x022A, "AC Bookmarks"},
}};

constexpr std::array<MouseCodeEntry, 9> kMouseCodes{{
    {kMouseLeftButton, "L-Button"},
    {kMouseRightButton, "R-Button"},
    {kMouseMiddleButton, "M-Button"},
    {kMouseButton4, "B4-Button"},
    {kMouseButton5, "B5-Button"},
    {kMouseTiltLeft, "L-Tilt Wheel"},
    {kMouseTiltRight, "R-Tilt Wheel"},
    {kMouseFixedEntry14, ""},
    {kMouseFixedEntry15, ""},
}};

constexpr std::array<std::string_view, 4> kDpiVariants{"DPI +", "DPI -", "DPI Loop", "Shift DPI"};

// std::string_view's == compares length and every byte, so "Enter " and
// "enter" do not match "Enter", nor does a text with an embedded zero.
template <typename Table>
auto FindByName(const Table& table, std::string_view name) -> decltype(&table[0]) {
    for (const auto& row : table) {
        if (row.name == name) return &row;
    }
    return nullptr;
}

}  // namespace

std::span<const KeyNameEntry> KeyNameTable() {
    return kKeyNames;
}

std::uint8_t KeyNameToUsage(std::string_view name) {
    const KeyNameEntry* row = FindByName(kKeyNames, name);
    return row ? row->usage : 0;
}

std::span<const ModifierEntry> ModifierTable() {
    return kModifiers;
}

std::uint8_t ModifierNameToMask(std::string_view name) {
    const ModifierEntry* row = FindByName(kModifiers, name);
    return row ? row->mask : 0;
}

std::span<const FireKeyEntry> FireKeyTable() {
    return kFireKeys;
}

std::uint8_t FireKeyCode(std::size_t index) {
    return index < kFireKeys.size() ? kFireKeys[index].code : 0;
}

std::span<const ConsumerEntry> MultimediaTable() {
    return kMultimedia;
}
std::span<const ConsumerEntry> WindowsFunctionTable() {
    return kWindowsFunctions;
}

std::uint16_t MultimediaUsage(std::size_t index) {
    return index < kMultimedia.size() ? kMultimedia[index].usage : 0;
}

std::uint16_t WindowsFunctionUsage(std::size_t index) {
    return index < kWindowsFunctions.size() ? kWindowsFunctions[index].usage : 0;
}

std::span<const MouseCodeEntry> MouseCodeTable() {
    return kMouseCodes;
}

std::string_view MouseCodeName(std::uint8_t code) {
    for (const MouseCodeEntry& row : kMouseCodes) {
        if (row.code == code) return row.name;
    }
    return {};
}

std::span<const std::string_view> DpiSwitchVariantNames() {
    return kDpiVariants;
}

std::string_view DpiSwitchVariantName(std::uint8_t variant) {
    if (variant < 1 || variant > kDpiVariants.size()) return {};
    return kDpiVariants[variant - 1];
}

}  // namespace ornyx::keys

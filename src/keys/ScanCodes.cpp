#include "keys/ScanCodes.h"

#include <algorithm>
#include <iterator>

namespace ornyx::keys {

namespace {

struct ScanName {
    std::uint16_t evdev;    // Linux input event code
    std::string_view name;  // English Windows key name (the US layout's for layout keys)
    bool layout;            // the name is the layout's character for the key
};

// Names as Windows reports them on an English system: left and right
// modifiers apart, keypad keys prefixed "Num", the navigation block by its
// key caps. Keys past the key-code table keep a Windows-style name so that
// the user sees what was pressed; they map to key code 0.
constexpr ScanName kScanNames[] = {
    {1, "Esc", false},
    {2, "1", true},
    {3, "2", true},
    {4, "3", true},
    {5, "4", true},
    {6, "5", true},
    {7, "6", true},
    {8, "7", true},
    {9, "8", true},
    {10, "9", true},
    {11, "0", true},
    {12, "-", true},
    {13, "=", true},
    {14, "Backspace", false},
    {15, "Tab", false},
    {16, "Q", true},
    {17, "W", true},
    {18, "E", true},
    {19, "R", true},
    {20, "T", true},
    {21, "Y", true},
    {22, "U", true},
    {23, "I", true},
    {24, "O", true},
    {25, "P", true},
    {26, "[", true},
    {27, "]", true},
    {28, "Enter", false},
    {29, "Ctrl", false},
    {30, "A", true},
    {31, "S", true},
    {32, "D", true},
    {33, "F", true},
    {34, "G", true},
    {35, "H", true},
    {36, "J", true},
    {37, "K", true},
    {38, "L", true},
    {39, ";", true},
    {40, "'", true},
    {41, "`", true},
    {42, "Shift", false},
    {43, "\\", true},
    {44, "Z", true},
    {45, "X", true},
    {46, "C", true},
    {47, "V", true},
    {48, "B", true},
    {49, "N", true},
    {50, "M", true},
    {51, ",", true},
    {52, ".", true},
    {53, "/", true},
    {54, "Right Shift", false},
    {55, "Num *", false},
    {56, "Alt", false},
    {57, "Space", false},
    {58, "Caps Lock", false},
    {59, "F1", false},
    {60, "F2", false},
    {61, "F3", false},
    {62, "F4", false},
    {63, "F5", false},
    {64, "F6", false},
    {65, "F7", false},
    {66, "F8", false},
    {67, "F9", false},
    {68, "F10", false},
    {69, "Num Lock", false},
    {70, "Scroll Lock", false},
    {71, "Num 7", false},
    {72, "Num 8", false},
    {73, "Num 9", false},
    {74, "Num -", false},
    {75, "Num 4", false},
    {76, "Num 5", false},
    {77, "Num 6", false},
    {78, "Num +", false},
    {79, "Num 1", false},
    {80, "Num 2", false},
    {81, "Num 3", false},
    {82, "Num 0", false},
    {83, "Num Del", false},
    {85, "Zenkaku/Hankaku", false},
    // The extra key of ISO keyboards between left Shift and Z.
    {86, "\\", true},
    {87, "F11", false},
    {88, "F12", false},
    {89, "Ro", false},
    {90, "Katakana", false},
    {91, "Hiragana", false},
    {92, "Henkan", false},
    {93, "Katakana/Hiragana", false},
    {94, "Muhenkan", false},
    {95, "Num ,", false},
    {96, "Num Enter", false},
    {97, "Right Ctrl", false},
    {98, "Num /", false},
    {99, "Prnt Scrn", false},
    {100, "Right Alt", false},
    {102, "Home", false},
    {103, "Up", false},
    {104, "Page Up", false},
    {105, "Left", false},
    {106, "Right", false},
    {107, "End", false},
    {108, "Down", false},
    {109, "Page Down", false},
    {110, "Insert", false},
    {111, "Delete", false},
    {113, "Mute", false},
    {114, "Volume Down", false},
    {115, "Volume Up", false},
    {116, "Power", false},
    {117, "Num =", false},
    {119, "Pause", false},
    {121, "Num ,", false},
    {122, "Hangul", false},
    {123, "Hanja", false},
    {124, "Yen", false},
    {125, "Left Windows", false},
    {126, "Right Windows", false},
    {127, "Application", false},
    {142, "Sleep", false},
    {143, "Wake Up", false},
    {163, "Next Track", false},
    {164, "Play/Pause", false},
    {165, "Previous Track", false},
    {166, "Stop", false},
    {183, "F13", false},
    {184, "F14", false},
    {185, "F15", false},
    {186, "F16", false},
    {187, "F17", false},
    {188, "F18", false},
    {189, "F19", false},
    {190, "F20", false},
    {191, "F21", false},
    {192, "F22", false},
    {193, "F23", false},
    {194, "F24", false},
};

constexpr bool SortedByCode() {
    for (std::size_t i = 1; i < std::size(kScanNames); ++i) {
        if (kScanNames[i - 1].evdev >= kScanNames[i].evdev) return false;
    }
    return true;
}
static_assert(SortedByCode(), "the scan-code table is searched by bisection");

const ScanName* Find(std::uint32_t nativeScanCode) {
    if (nativeScanCode < kNativeScanCodeOffset) return nullptr;
    const std::uint32_t evdev = nativeScanCode - kNativeScanCodeOffset;
    const auto it =
        std::lower_bound(std::begin(kScanNames), std::end(kScanNames), evdev,
                         [](const ScanName& row, std::uint32_t code) { return row.evdev < code; });
    if (it == std::end(kScanNames) || it->evdev != evdev) return nullptr;
    return &*it;
}

// The layout's character for a key, as Windows names it: one printable
// character, ASCII letters in upper case. Anything else (several characters,
// control characters, invalid UTF-8) is not a usable name.
std::string LayoutName(std::string_view text) {
    if (text.empty()) return {};
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 0;
    if (lead < 0x80) {
        length = 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
    } else {
        return {};
    }
    if (text.size() != length) return {};
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return {};
    }
    if (length == 1) {
        if (lead <= 0x20 || lead == 0x7F) return {};
        char c = text[0];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        return std::string(1, c);
    }
    // C1 control characters (U+0080..U+009F) are no name either.
    if (lead == 0xC2 && static_cast<unsigned char>(text[1]) < 0xA0) return {};
    return std::string(text);
}

}  // namespace

bool ScanCodeFollowsLayout(std::uint32_t nativeScanCode) {
    const ScanName* row = Find(nativeScanCode);
    return row != nullptr && row->layout;
}

std::string KeyNameFromScanCode(std::uint32_t nativeScanCode, std::string_view layoutText) {
    const ScanName* row = Find(nativeScanCode);
    if (row != nullptr) {
        if (row->layout) {
            std::string fromLayout = LayoutName(layoutText);
            if (!fromLayout.empty()) return fromLayout;
        }
        return std::string(row->name);
    }
    // Unknown keys: the layout's character if it gives one, else the code.
    std::string fromLayout = LayoutName(layoutText);
    if (!fromLayout.empty()) return fromLayout;
    if (nativeScanCode < kNativeScanCodeOffset) return "Unknown Key";
    return "Key " + std::to_string(nativeScanCode - kNativeScanCodeOffset);
}

}  // namespace ornyx::keys

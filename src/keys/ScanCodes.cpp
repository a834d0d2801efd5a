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

namespace {

struct WindowsScan {
    std::uint16_t scan;  // set-1 scan code, 0x100 for the E0-prefixed (extended) keys
    std::uint16_t evdev;
};

// Where a Windows scan code is not the evdev code itself: the extended keys
// and the keys past the PC/AT block. Sorted for bisection.
constexpr WindowsScan kWindowsScans[] = {
    {0x054, 99},   // Alt+Print Screen (SysRq)
    {0x059, 117},  // Num =
    {0x064, 183}, {0x065, 184}, {0x066, 185}, {0x067, 186}, {0x068, 187}, {0x069, 188},
    {0x06A, 189}, {0x06B, 190}, {0x06C, 191}, {0x06D, 192}, {0x06E, 193},  // F13..F23
    {0x070, 93},                                                           // Katakana/Hiragana
    {0x071, 123},  // Hanja (as some keyboards send it)
    {0x072, 122},  // Hangul
    {0x073, 89},   // Ro
    {0x076, 194},  // F24
    {0x077, 91},   // Hiragana
    {0x078, 90},   // Katakana
    {0x079, 92},   // Henkan
    {0x07B, 94},   // Muhenkan
    {0x07D, 124},  // Yen
    {0x07E, 121},  // Num , (Brazilian keypad)
    {0x0F1, 123},  // Hanja
    {0x0F2, 122},  // Hangul
    {0x110, 165},  // Previous Track
    {0x119, 163},  // Next Track
    {0x11C, 96},   // Num Enter
    {0x11D, 97},   // Right Ctrl
    {0x120, 113},  // Mute
    {0x122, 164},  // Play/Pause
    {0x124, 166},  // Stop
    {0x12E, 114},  // Volume Down
    {0x130, 115},  // Volume Up
    {0x135, 98},   // Num /
    {0x137, 99},   // Print Screen
    {0x138, 100},  // Right Alt
    {0x145, 69},   // Num Lock
    {0x146, 119},  // Ctrl+Break
    {0x147, 102}, {0x148, 103}, {0x149, 104}, {0x14B, 105}, {0x14D, 106}, {0x14F, 107},
    {0x150, 108}, {0x151, 109}, {0x152, 110}, {0x153, 111},  // navigation block
    {0x15B, 125},                                            // Left Windows
    {0x15C, 126},                                            // Right Windows
    {0x15D, 127},                                            // Application
    {0x15E, 116},                                            // Power
    {0x15F, 142},                                            // Sleep
    {0x163, 143},                                            // Wake Up
};

constexpr bool WindowsScansSorted() {
    for (std::size_t i = 1; i < std::size(kWindowsScans); ++i) {
        if (kWindowsScans[i - 1].scan >= kWindowsScans[i].scan) return false;
    }
    return true;
}
static_assert(WindowsScansSorted(), "the Windows scan-code table is searched by bisection");

// Virtual-key codes of the two keys whose scan codes Windows confuses.
constexpr std::uint32_t kVkPause = 0x13;
constexpr std::uint32_t kVkNumLock = 0x90;

}  // namespace

std::uint32_t NativeScanCodeFromWindows(std::uint32_t scanCode, std::uint32_t virtualKey) {
    // Pause sends E1 1D 45, which Windows reports as Num Lock's 0x45; Num Lock
    // itself then comes extended. The virtual key tells them apart.
    if (virtualKey == kVkPause) return 119 + kNativeScanCodeOffset;
    if (virtualKey == kVkNumLock) return 69 + kNativeScanCodeOffset;
    const std::uint32_t scan = scanCode & 0x1FF;
    if (scan == 0) return 0;
    const auto it = std::lower_bound(
        std::begin(kWindowsScans), std::end(kWindowsScans), scan,
        [](const WindowsScan& row, std::uint32_t code) { return row.scan < code; });
    if (it != std::end(kWindowsScans) && it->scan == scan) return it->evdev + kNativeScanCodeOffset;
    // The PC/AT block: the set-1 code is the evdev code.
    if (scan <= 0x58) return scan + kNativeScanCodeOffset;
    return 0;
}

}  // namespace ornyx::keys

#include <gtest/gtest.h>

#include <string>

#include "keys/KeyTables.h"
#include "keys/ScanCodes.h"

namespace ornyx::keys {
namespace {

// Native scan code of a Linux key code.
constexpr std::uint32_t N(std::uint32_t evdev) {
    return evdev + kNativeScanCodeOffset;
}

TEST(ScanCodes, ModifiersKeepLeftAndRightApart) {
    EXPECT_EQ(KeyNameFromScanCode(N(29), ""), "Ctrl");
    EXPECT_EQ(KeyNameFromScanCode(N(97), ""), "Right Ctrl");
    EXPECT_EQ(KeyNameFromScanCode(N(56), ""), "Alt");
    EXPECT_EQ(KeyNameFromScanCode(N(100), ""), "Right Alt");
    EXPECT_EQ(KeyNameFromScanCode(N(42), ""), "Shift");
    EXPECT_EQ(KeyNameFromScanCode(N(54), ""), "Right Shift");
    EXPECT_EQ(KeyNameFromScanCode(N(125), ""), "Left Windows");
    EXPECT_EQ(KeyNameFromScanCode(N(126), ""), "Right Windows");
    // Each of them reaches the key code the mouse expects.
    EXPECT_EQ(KeyNameToUsage(KeyNameFromScanCode(N(97), "")), 0xE4);
    EXPECT_EQ(KeyNameToUsage(KeyNameFromScanCode(N(126), "")), 0xE7);
}

TEST(ScanCodes, KeypadIsNamedApartFromTheMainBlock) {
    const std::uint32_t pad[10] = {82, 79, 80, 81, 75, 76, 77, 71, 72, 73};
    for (int d = 0; d < 10; ++d) {
        const std::string name = KeyNameFromScanCode(N(pad[d]), std::to_string(d));
        EXPECT_EQ(name, "Num " + std::to_string(d));
        EXPECT_EQ(KeyNameToUsage(name), d == 0 ? 0x62 : 0x58 + d) << name;
    }
    EXPECT_EQ(KeyNameFromScanCode(N(96), "\r"), "Num Enter");
    EXPECT_EQ(KeyNameToUsage(KeyNameFromScanCode(N(96), "")), 0x58);
    EXPECT_EQ(KeyNameFromScanCode(N(28), "\r"), "Enter");
    EXPECT_EQ(KeyNameFromScanCode(N(98), "/"), "Num /");
    EXPECT_EQ(KeyNameFromScanCode(N(55), "*"), "Num *");
    EXPECT_EQ(KeyNameFromScanCode(N(74), "-"), "Num -");
    EXPECT_EQ(KeyNameFromScanCode(N(78), "+"), "Num +");
    EXPECT_EQ(KeyNameFromScanCode(N(83), ","), "Num Del");
    EXPECT_EQ(KeyNameFromScanCode(N(69), ""), "Num Lock");
}

TEST(ScanCodes, EveryFixedNameOfTheKeyTableIsReachable) {
    // All names except the layout keys and the mouse buttons must come out of
    // some scan code, or the dialogs could never capture them.
    for (const KeyNameEntry& row : KeyNameTable()) {
        if (row.usage < 0x28 || row.usage >= 0xF0) continue;
        if ((row.usage >= 0x2D && row.usage <= 0x38) || row.usage == 0x32) continue;
        bool found = false;
        for (std::uint32_t evdev = 0; evdev < 256 && !found; ++evdev) {
            found = KeyNameFromScanCode(N(evdev), "") == row.name;
        }
        EXPECT_TRUE(found) << row.name;
    }
}

TEST(ScanCodes, LettersAndDigitsFollowTheLayout) {
    // US layout: the key right of Tab is Q; on AZERTY it gives "a".
    EXPECT_EQ(KeyNameFromScanCode(N(16), "q"), "Q");
    EXPECT_EQ(KeyNameFromScanCode(N(16), "a"), "A");
    EXPECT_EQ(KeyNameFromScanCode(N(2), "&"), "&");
    EXPECT_EQ(KeyNameFromScanCode(N(2), "1"), "1");
    EXPECT_EQ(KeyNameFromScanCode(N(39), "\xc3\xb6"), "\xc3\xb6");  // a German layout's ö
    // Without layout text (dead keys, synthesised events) the US name stands.
    EXPECT_EQ(KeyNameFromScanCode(N(44), ""), "Z");
    EXPECT_EQ(KeyNameFromScanCode(N(11), ""), "0");
    EXPECT_EQ(KeyNameFromScanCode(N(41), ""), "`");
    // Control characters or several characters are not a key name.
    EXPECT_EQ(KeyNameFromScanCode(N(30), "\x01"), "A");
    EXPECT_EQ(KeyNameFromScanCode(N(30), "ab"), "A");
    EXPECT_EQ(KeyNameFromScanCode(N(30), "\xc3"), "A");  // cut-off UTF-8
    // Fixed keys keep their name whatever text the layout gives.
    EXPECT_EQ(KeyNameFromScanCode(N(57), " "), "Space");
    EXPECT_EQ(KeyNameFromScanCode(N(1), "\x1b"), "Esc");
    EXPECT_EQ(KeyNameFromScanCode(N(14), "\b"), "Backspace");
}

TEST(ScanCodes, SpecialAndNavigationKeys) {
    EXPECT_EQ(KeyNameFromScanCode(N(99), ""), "Prnt Scrn");
    EXPECT_EQ(KeyNameFromScanCode(N(70), ""), "Scroll Lock");
    EXPECT_EQ(KeyNameFromScanCode(N(119), ""), "Pause");
    EXPECT_EQ(KeyNameFromScanCode(N(58), ""), "Caps Lock");
    EXPECT_EQ(KeyNameFromScanCode(N(15), "\t"), "Tab");
    EXPECT_EQ(KeyNameFromScanCode(N(110), ""), "Insert");
    EXPECT_EQ(KeyNameFromScanCode(N(111), ""), "Delete");
    EXPECT_EQ(KeyNameFromScanCode(N(102), ""), "Home");
    EXPECT_EQ(KeyNameFromScanCode(N(107), ""), "End");
    EXPECT_EQ(KeyNameFromScanCode(N(104), ""), "Page Up");
    EXPECT_EQ(KeyNameFromScanCode(N(109), ""), "Page Down");
    EXPECT_EQ(KeyNameFromScanCode(N(103), ""), "Up");
    EXPECT_EQ(KeyNameFromScanCode(N(105), ""), "Left");
    EXPECT_EQ(KeyNameFromScanCode(N(59), ""), "F1");
    EXPECT_EQ(KeyNameFromScanCode(N(87), ""), "F11");
    EXPECT_EQ(KeyNameFromScanCode(N(88), ""), "F12");
}

TEST(ScanCodes, KeysOutsideTheTableGetANameAndCodeZero) {
    for (std::uint32_t scan : {N(127), N(113), N(183), N(250), N(600), 0u, 3u, 0xFFFFFFFFu}) {
        const std::string name = KeyNameFromScanCode(scan, "");
        EXPECT_FALSE(name.empty()) << scan;
        EXPECT_EQ(KeyNameToUsage(name), 0) << name;
    }
    EXPECT_EQ(KeyNameFromScanCode(N(127), ""), "Application");
    EXPECT_EQ(KeyNameFromScanCode(N(250), ""), "Key 250");
    // An unknown key that types a character is named by it.
    EXPECT_EQ(KeyNameFromScanCode(N(250), "\xc2\xa7"), "\xc2\xa7");
}

// Each key of a US keyboard as a Windows key message reports it (set-1 scan
// code with 0x100 for E0-prefixed keys, virtual key, the layout's text),
// written from the keyboard's scan-code chart rather than from our table.
struct WindowsKey {
    const char* name;
    std::uint32_t scan;
    std::uint32_t virtualKey;
    const char* text;
};
constexpr WindowsKey kWindowsKeys[] = {
    {"A", 0x1E, 'A', "a"},
    {"B", 0x30, 'B', "b"},
    {"C", 0x2E, 'C', "c"},
    {"D", 0x20, 'D', "d"},
    {"E", 0x12, 'E', "e"},
    {"F", 0x21, 'F', "f"},
    {"G", 0x22, 'G', "g"},
    {"H", 0x23, 'H', "h"},
    {"I", 0x17, 'I', "i"},
    {"J", 0x24, 'J', "j"},
    {"K", 0x25, 'K', "k"},
    {"L", 0x26, 'L', "l"},
    {"M", 0x32, 'M', "m"},
    {"N", 0x31, 'N', "n"},
    {"O", 0x18, 'O', "o"},
    {"P", 0x19, 'P', "p"},
    {"Q", 0x10, 'Q', "q"},
    {"R", 0x13, 'R', "r"},
    {"S", 0x1F, 'S', "s"},
    {"T", 0x14, 'T', "t"},
    {"U", 0x16, 'U', "u"},
    {"V", 0x2F, 'V', "v"},
    {"W", 0x11, 'W', "w"},
    {"X", 0x2D, 'X', "x"},
    {"Y", 0x15, 'Y', "y"},
    {"Z", 0x2C, 'Z', "z"},
    {"1", 0x02, '1', "1"},
    {"2", 0x03, '2', "2"},
    {"3", 0x04, '3', "3"},
    {"4", 0x05, '4', "4"},
    {"5", 0x06, '5', "5"},
    {"6", 0x07, '6', "6"},
    {"7", 0x08, '7', "7"},
    {"8", 0x09, '8', "8"},
    {"9", 0x0A, '9', "9"},
    {"0", 0x0B, '0', "0"},
    {"Enter", 0x1C, 0x0D, "\r"},
    {"Esc", 0x01, 0x1B, "\x1b"},
    {"Backspace", 0x0E, 0x08, "\b"},
    {"Tab", 0x0F, 0x09, "\t"},
    {"Space", 0x39, 0x20, " "},
    {"-", 0x0C, 0xBD, "-"},
    {"=", 0x0D, 0xBB, "="},
    {"[", 0x1A, 0xDB, "["},
    {"]", 0x1B, 0xDD, "]"},
    {"\\", 0x2B, 0xDC, "\\"},
    {";", 0x27, 0xBA, ";"},
    {"'", 0x28, 0xDE, "'"},
    {"`", 0x29, 0xC0, "`"},
    {",", 0x33, 0xBC, ","},
    {".", 0x34, 0xBE, "."},
    {"/", 0x35, 0xBF, "/"},
    {"Caps Lock", 0x3A, 0x14, ""},
    {"F1", 0x3B, 0x70, ""},
    {"F2", 0x3C, 0x71, ""},
    {"F3", 0x3D, 0x72, ""},
    {"F4", 0x3E, 0x73, ""},
    {"F5", 0x3F, 0x74, ""},
    {"F6", 0x40, 0x75, ""},
    {"F7", 0x41, 0x76, ""},
    {"F8", 0x42, 0x77, ""},
    {"F9", 0x43, 0x78, ""},
    {"F10", 0x44, 0x79, ""},
    {"F11", 0x57, 0x7A, ""},
    {"F12", 0x58, 0x7B, ""},
    {"Prnt Scrn", 0x137, 0x2C, ""},
    {"Scroll Lock", 0x46, 0x91, ""},
    {"Pause", 0x45, 0x13, ""},
    {"Insert", 0x152, 0x2D, ""},
    {"Home", 0x147, 0x24, ""},
    {"Page Up", 0x149, 0x21, ""},
    {"Delete", 0x153, 0x2E, ""},
    {"End", 0x14F, 0x23, ""},
    {"Page Down", 0x151, 0x22, ""},
    {"Right", 0x14D, 0x27, ""},
    {"Left", 0x14B, 0x25, ""},
    {"Down", 0x150, 0x28, ""},
    {"Up", 0x148, 0x26, ""},
    {"Num Lock", 0x145, 0x90, ""},
    {"Num /", 0x135, 0x6F, "/"},
    {"Num *", 0x37, 0x6A, "*"},
    {"Num -", 0x4A, 0x6D, "-"},
    {"Num +", 0x4E, 0x6B, "+"},
    {"Num Enter", 0x11C, 0x0D, "\r"},
    {"Num 1", 0x4F, 0x61, "1"},
    {"Num 2", 0x50, 0x62, "2"},
    {"Num 3", 0x51, 0x63, "3"},
    {"Num 4", 0x4B, 0x64, "4"},
    {"Num 5", 0x4C, 0x65, "5"},
    {"Num 6", 0x4D, 0x66, "6"},
    {"Num 7", 0x47, 0x67, "7"},
    {"Num 8", 0x48, 0x68, "8"},
    {"Num 9", 0x49, 0x69, "9"},
    {"Num 0", 0x52, 0x60, "0"},
    {"Num Del", 0x53, 0x6E, "."},
    {"Ctrl", 0x1D, 0xA2, ""},
    {"Shift", 0x2A, 0xA0, ""},
    {"Alt", 0x38, 0xA4, ""},
    {"Left Windows", 0x15B, 0x5B, ""},
    {"Right Ctrl", 0x11D, 0xA3, ""},
    {"Right Shift", 0x36, 0xA1, ""},
    {"Right Alt", 0x138, 0xA5, ""},
    {"Right Windows", 0x15C, 0x5C, ""},
};

// The Linux native code of the key named `name` on a US keyboard (layout
// keys carry their US character as the name when no text is given).
std::uint32_t LinuxCodeOf(const std::string& name) {
    for (std::uint32_t evdev = 1; evdev < 256; ++evdev) {
        if (KeyNameFromScanCode(N(evdev), "") == name) return N(evdev);
    }
    return 0;
}

TEST(ScanCodes, WindowsKeysGetTheNamesAndCodesOfTheSameKeysOnLinux) {
    for (const WindowsKey& key : kWindowsKeys) {
        const std::uint32_t native = NativeScanCodeFromWindows(key.scan, key.virtualKey);
        EXPECT_EQ(KeyNameFromScanCode(native, key.text), key.name) << key.name;
        // The same physical key (the ISO key beside left Shift also says "\",
        // the US one is found first).
        EXPECT_EQ(native, LinuxCodeOf(key.name)) << key.name;
        EXPECT_NE(KeyNameToUsage(key.name), 0) << key.name;
    }
    // Every key name the dialogs can capture is reached from Windows too.
    for (const KeyNameEntry& row : KeyNameTable()) {
        if (row.usage < 0x04 || row.usage >= 0xF0 || row.usage == 0x32) continue;
        bool found = false;
        for (const WindowsKey& key : kWindowsKeys) found = found || key.name == row.name;
        EXPECT_TRUE(found) << row.name;
    }
}

TEST(ScanCodes, WindowsPauseAndNumLockAreToldApartByTheirVirtualKeys) {
    // Pause arrives with Num Lock's scan code; some keyboards send Num Lock unextended.
    EXPECT_EQ(KeyNameFromScanCode(NativeScanCodeFromWindows(0x45, 0x13), ""), "Pause");
    EXPECT_EQ(KeyNameFromScanCode(NativeScanCodeFromWindows(0x45, 0x90), ""), "Num Lock");
    EXPECT_EQ(KeyNameFromScanCode(NativeScanCodeFromWindows(0x146, 0x03), ""), "Pause");
    // Alt+Print Screen reports SysRq's code.
    EXPECT_EQ(KeyNameFromScanCode(NativeScanCodeFromWindows(0x54, 0x2C), ""), "Prnt Scrn");
}

TEST(ScanCodes, WindowsKeysWithoutAKnownScanCodeAreLeftToQt) {
    // An injected key carries no scan code; Print Screen's fake Shift and
    // codes beyond the chart name nothing.
    for (std::uint32_t scan : {0x000u, 0x12Au, 0x1FFu, 0x07Fu}) {
        EXPECT_EQ(NativeScanCodeFromWindows(scan, 0x41), 0u) << scan;
    }
    // Bits above the extended flag are not part of the code.
    EXPECT_EQ(NativeScanCodeFromWindows(0x21E, 'A'), N(30));
}

}  // namespace
}  // namespace ornyx::keys

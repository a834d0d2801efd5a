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

}  // namespace
}  // namespace ornyx::keys

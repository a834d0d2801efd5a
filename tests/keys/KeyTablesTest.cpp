#include <gtest/gtest.h>

#include <set>
#include <string>

#include "keys/KeyTables.h"

namespace ornyx::keys {
namespace {

TEST(KeyTables, SizesAndOrder) {
    EXPECT_EQ(KeyNameTable().size(), 107u);
    EXPECT_EQ(ModifierTable().size(), 8u);
    EXPECT_EQ(FireKeyTable().size(), 61u);
    EXPECT_EQ(MultimediaTable().size(), 7u);
    EXPECT_EQ(WindowsFunctionTable().size(), 11u);
    EXPECT_EQ(MouseCodeTable().size(), 9u);

    // Lists the dialogs show keep their order; spot-check both ends.
    EXPECT_EQ(KeyNameTable().front().name, "A");
    EXPECT_EQ(KeyNameTable().back().name, "M-Button");
    EXPECT_EQ(FireKeyTable()[36].name, "L-CTRL");
    EXPECT_EQ(FireKeyTable().back().name, "R-Tilt Wheel");
    EXPECT_EQ(ModifierTable()[3].name, "Left Win");
}

TEST(KeyTables, KeyNamesAreUniqueAndEachFindsItsOwnRow) {
    std::set<std::string> seen;
    for (const KeyNameEntry& row : KeyNameTable()) {
        EXPECT_TRUE(seen.insert(std::string(row.name)).second) << row.name;
        EXPECT_EQ(KeyNameToUsage(row.name), row.usage) << row.name;
        EXPECT_NE(row.usage, 0) << row.name;
    }
}

TEST(KeyTables, KeyNamesGiveTheirUsages) {
    for (char c = 'A'; c <= 'Z'; ++c) {
        EXPECT_EQ(KeyNameToUsage(std::string(1, c)), 0x04 + (c - 'A')) << c;
    }
    for (int f = 1; f <= 12; ++f) {
        EXPECT_EQ(KeyNameToUsage("F" + std::to_string(f)), 0x39 + f) << f;
    }
    EXPECT_EQ(KeyNameToUsage("1"), 0x1E);
    EXPECT_EQ(KeyNameToUsage("0"), 0x27);  // zero comes after nine
    EXPECT_EQ(KeyNameToUsage("Enter"), 0x28);
    EXPECT_EQ(KeyNameToUsage("Esc"), 0x29);
    EXPECT_EQ(KeyNameToUsage("Backspace"), 0x2A);
    EXPECT_EQ(KeyNameToUsage("Space"), 0x2C);
    EXPECT_EQ(KeyNameToUsage("Eurpo(Note 2)"), 0x32);
    EXPECT_EQ(KeyNameToUsage("Num Enter"), 0x58);
    EXPECT_EQ(KeyNameToUsage("Num 0"), 0x62);  // keypad zero also follows nine
    EXPECT_EQ(KeyNameToUsage("Ctrl"), 0xE0);
    EXPECT_EQ(KeyNameToUsage("Left Windows"), 0xE3);
    EXPECT_EQ(KeyNameToUsage("Right Ctrl"), 0xE4);
    EXPECT_EQ(KeyNameToUsage("L-Button"), 0xF0);
}

TEST(KeyTables, KeyNamesMatchExactlyOrGiveZero) {
    for (std::string_view text :
         {"", "a", "enter", "ENTER", "Enter ", " Enter", "Num  1", "num 1", "Eurpo(note 2)",
          "Europe(Note 2)", "Left Win", "Right Win", "Left Ctrl", "B4-Button", "L-Tilt Wheel",
          "L-CTRL", "F13", "Del"}) {
        EXPECT_EQ(KeyNameToUsage(text), 0) << '"' << text << '"';
    }
    // The whole text counts: a trailing zero byte is not the end of the name.
    EXPECT_EQ(KeyNameToUsage(std::string_view("A\0", 2)), 0);
    EXPECT_EQ(KeyNameToUsage(std::string_view("Enter", 4)), 0);
}

TEST(KeyTables, ModifierNamesAreNotKeyNames) {
    std::uint8_t all = 0;
    for (const ModifierEntry& row : ModifierTable()) {
        EXPECT_EQ(row.mask & (row.mask - 1), 0) << row.name << " is not one bit";
        EXPECT_EQ(all & row.mask, 0) << row.name << " repeats a bit";
        all = static_cast<std::uint8_t>(all | row.mask);
        EXPECT_EQ(ModifierNameToMask(row.name), row.mask);
    }
    EXPECT_EQ(all, 0xFF);

    EXPECT_EQ(ModifierNameToMask("Left Ctrl"), 0x01);
    EXPECT_EQ(ModifierNameToMask("Left Win"), 0x08);
    EXPECT_EQ(ModifierNameToMask("Right Ctrl"), 0x10);
    EXPECT_EQ(ModifierNameToMask("Right Win"), 0x80);
    for (std::string_view text :
         {"", "Ctrl", "Shift", "Left Windows", "left ctrl", "Left Ctrl ", "Right Windows"}) {
        EXPECT_EQ(ModifierNameToMask(text), 0) << '"' << text << '"';
    }
}

TEST(KeyTables, FireKeyList) {
    EXPECT_EQ(FireKeyCode(0), 0x04);
    EXPECT_EQ(FireKeyCode(25), 0x1D);
    EXPECT_EQ(FireKeyCode(26), 0x1E);
    EXPECT_EQ(FireKeyCode(35), 0x27);
    const std::uint8_t modifiers[] = {0xE0, 0xE1, 0xE2, 0xE4, 0xE5, 0xE6};
    for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(FireKeyCode(36 + i), modifiers[i]) << i;
    EXPECT_EQ(FireKeyCode(42), 0x3A);
    EXPECT_EQ(FireKeyCode(53), 0x45);
    for (std::size_t i = 0; i < 7; ++i) EXPECT_EQ(FireKeyCode(54 + i), 0xF0 + i) << i;
    EXPECT_EQ(FireKeyCode(61), 0);
    EXPECT_EQ(FireKeyCode(255), 0);
    EXPECT_EQ(FireKeyCode(static_cast<std::size_t>(-1)), 0);

    // Entries that are also key names must name the same key; the rest
    // (modifier spellings, extra mouse buttons) exist only here.
    for (const FireKeyEntry& row : FireKeyTable()) {
        const std::uint8_t byName = KeyNameToUsage(row.name);
        if (byName != 0) {
            EXPECT_EQ(byName, row.code) << row.name;
        }
    }
    EXPECT_EQ(KeyNameToUsage(FireKeyTable()[57].name), 0);  // B4-Button
    EXPECT_EQ(KeyNameToUsage(FireKeyTable()[39].name), 0);  // R-CTRL
}

TEST(KeyTables, ConsumerLists) {
    EXPECT_EQ(MultimediaUsage(0), 0x00B5);
    EXPECT_EQ(MultimediaUsage(3), 0x00CD);
    EXPECT_EQ(MultimediaUsage(6), 0x00EA);
    EXPECT_EQ(MultimediaUsage(7), 0);
    for (const ConsumerEntry& row : MultimediaTable()) {
        EXPECT_EQ(row.usage >> 8, 0) << row.usageName;  // only the low byte is stored
    }

    EXPECT_EQ(WindowsFunctionUsage(0), 0x0183);
    EXPECT_EQ(WindowsFunctionUsage(2), 0x0192);
    EXPECT_EQ(WindowsFunctionUsage(10), 0x022A);
    EXPECT_EQ(WindowsFunctionUsage(11), 0);
    EXPECT_EQ(WindowsFunctionUsage(255), 0);
    // The menu stores the high byte as 1 for indexes 0..3 and 2 for 4..10.
    for (std::size_t i = 0; i < WindowsFunctionTable().size(); ++i) {
        EXPECT_EQ(WindowsFunctionUsage(i) >> 8, i <= 3 ? 1 : 2) << i;
    }
}

TEST(KeyTables, MouseCodesAndDpiVariants) {
    for (std::size_t i = 0; i < MouseCodeTable().size(); ++i) {
        EXPECT_EQ(MouseCodeTable()[i].code, 0xF0 + i);
    }
    EXPECT_EQ(MouseCodeName(0xF3), "B4-Button");
    EXPECT_EQ(MouseCodeName(0xF7), "");
    EXPECT_EQ(MouseCodeName(0x04), "");

    EXPECT_EQ(DpiSwitchVariantName(1), "DPI +");
    EXPECT_EQ(DpiSwitchVariantName(4), "Shift DPI");
    EXPECT_EQ(DpiSwitchVariantName(0), "");
    EXPECT_EQ(DpiSwitchVariantName(5), "");
}

}  // namespace
}  // namespace ornyx::keys

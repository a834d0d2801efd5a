// The rules a button menu's choice follows, without a window: which entries
// assign at once, how Shift and a Shift-carrying slot span both modes, and
// what each function's parameters write into the slot and its label.
#include <gtest/gtest.h>

#include "i18n/TextSettings.h"
#include "keys/ButtonAssignment.h"
#include "keys/KeyTables.h"

namespace ornyx::keys {
namespace {

using settings::Mode;
using settings::SlotArray;

constexpr auto Byte(ButtonFunction f) {
    return static_cast<std::uint8_t>(f);
}

struct Rig {
    settings::SettingsImage image;
    i18n::TextSettings text;

    Rig() {
        text.labels = i18n::DefaultButtonLabels(i18n::Language::English);
        // Every slot of both modes starts as a plain function, slot 0 the left button.
        for (std::size_t k = 0; k < settings::SettingsImage::kSlots; ++k) {
            image.function(Mode::A, k) = Byte(ButtonFunction::Forward);
            image.function(Mode::B, k) = Byte(ButtonFunction::Back);
        }
        image.function(Mode::A, 0) = Byte(ButtonFunction::LeftButton);
        image.function(Mode::B, 0) = Byte(ButtonFunction::LeftButton);
    }
    SlotChoice Choice(Mode shown, std::size_t slot) { return {image, text, shown, slot}; }
    const std::string& Label(Mode mode, std::size_t slot) const {
        return text.labels[i18n::LabelIndex(mode, slot)];
    }
};

TEST(ButtonAssignment, TheLeftButtonsOnlyCarrierKeepsItsMenuClosed) {
    Rig rig;
    EXPECT_FALSE(MenuMayOpen(rig.image, Mode::A, 0));
    EXPECT_TRUE(MenuMayOpen(rig.image, Mode::A, 1));  // not a carrier
    rig.image.function(Mode::A, 4) = Byte(ButtonFunction::LeftButton);
    EXPECT_TRUE(MenuMayOpen(rig.image, Mode::A, 0));
    EXPECT_TRUE(MenuMayOpen(rig.image, Mode::A, 4));
    // The other mode's carriers do not count.
    EXPECT_FALSE(MenuMayOpen(rig.image, Mode::B, 0));
}

TEST(ButtonAssignment, EntriesSortIntoHowTheyAreAssigned) {
    EXPECT_EQ(KindOfEntry(-1), EntryKind::Ignored);
    EXPECT_EQ(KindOfEntry(16), EntryKind::Ignored);
    EXPECT_EQ(KindOfEntry(6), EntryKind::Ignored);  // DPI Switch: only through its sub-menu
    EXPECT_EQ(KindOfEntry(14), EntryKind::Shift);
    for (int f = 8; f <= 13; ++f) EXPECT_EQ(KindOfEntry(f), EntryKind::Parameters) << f;
    for (int f : {0, 1, 2, 3, 4, 5, 7, 15}) EXPECT_EQ(KindOfEntry(f), EntryKind::Plain) << f;
}

TEST(ButtonAssignment, ShiftTakesBothModesOnceAndIsRefusedOnASecondSlot) {
    Rig rig;
    ASSERT_TRUE(ChooseShift(rig.Choice(Mode::A, 2)));
    EXPECT_EQ(rig.image.function(Mode::A, 2), Byte(ButtonFunction::Shift));
    EXPECT_EQ(rig.image.function(Mode::B, 2), Byte(ButtonFunction::Shift));
    EXPECT_EQ(rig.Label(Mode::A, 2), "Shift");
    EXPECT_EQ(rig.Label(Mode::B, 2), "Shift");

    const auto before = rig.image.bytes;
    const auto labels = rig.text.labels;
    EXPECT_FALSE(ChooseShift(rig.Choice(Mode::A, 3)));
    EXPECT_EQ(rig.image.bytes, before);
    EXPECT_EQ(rig.text.labels, labels);
    // Mode B has it too (it spans both), so it is refused there as well.
    EXPECT_FALSE(ChooseShift(rig.Choice(Mode::B, 5)));
}

TEST(ButtonAssignment, AFunctionOnTheShiftSlotSpansBothModesWithItsParameters) {
    Rig rig;
    ASSERT_TRUE(ChooseShift(rig.Choice(Mode::B, 2)));
    // Distinctive values in Mode A, which the copy must overwrite.
    for (SlotArray a : {SlotArray::FireKeyIndex, SlotArray::FireKeyCode, SlotArray::FireKeySpeed,
                        SlotArray::FireKeyTimes})
        rig.image.slot(Mode::A, a, 2) = 0xEE;
    const SlotChoice choice = rig.Choice(Mode::B, 2);
    const std::string label = AssignFireKey(choice, 3, 7, 9, "D");
    EXPECT_EQ(label, "Fire Key-D");
    ChooseFunction(choice, ButtonFunction::FireKey, label);
    for (Mode m : {Mode::A, Mode::B}) {
        SCOPED_TRACE(m == Mode::A ? "Mode A" : "Mode B");
        EXPECT_EQ(rig.image.function(m, 2), Byte(ButtonFunction::FireKey));
        EXPECT_EQ(rig.image.slot(m, SlotArray::FireKeyIndex, 2), 3);
        EXPECT_EQ(rig.image.slot(m, SlotArray::FireKeyCode, 2), FireKeyCode(3));
        EXPECT_EQ(rig.image.slot(m, SlotArray::FireKeySpeed, 2), 7);
        EXPECT_EQ(rig.image.slot(m, SlotArray::FireKeyTimes, 2), 9);
        EXPECT_EQ(rig.Label(m, 2), "Fire Key-D");
    }

    // Without Shift only the shown mode changes.
    const std::string otherLabel = rig.Label(Mode::A, 4);
    ChooseFunction(rig.Choice(Mode::B, 4), ButtonFunction::MiddleButton, "Middle");
    EXPECT_EQ(rig.image.function(Mode::B, 4), Byte(ButtonFunction::MiddleButton));
    EXPECT_EQ(rig.image.function(Mode::A, 4), Byte(ButtonFunction::Forward));
    EXPECT_EQ(rig.Label(Mode::A, 4), otherLabel);
}

TEST(ButtonAssignment, CopyingParametersMovesOnlyThoseOfTheFunction) {
    Rig rig;
    rig.image.slot(Mode::A, SlotArray::ComboModifier, 1) = 0x11;
    rig.image.slot(Mode::A, SlotArray::ComboKey1, 1) = 0x22;
    rig.image.slot(Mode::A, SlotArray::ComboKey2, 1) = 0x33;
    rig.image.slot(Mode::A, SlotArray::SingleKey, 1) = 0x44;
    rig.image.slot(Mode::B, SlotArray::SingleKey, 1) = 0x55;
    CopyParameters(rig.image, ButtonFunction::ComboKey, 1, Mode::A);
    EXPECT_EQ(rig.image.slot(Mode::B, SlotArray::ComboModifier, 1), 0x11);
    EXPECT_EQ(rig.image.slot(Mode::B, SlotArray::ComboKey1, 1), 0x22);
    EXPECT_EQ(rig.image.slot(Mode::B, SlotArray::ComboKey2, 1), 0x33);
    EXPECT_EQ(rig.image.slot(Mode::B, SlotArray::SingleKey, 1), 0x55);  // not the combination's
    // Other slots stay.
    EXPECT_NE(rig.image.slot(Mode::B, SlotArray::ComboModifier, 0), 0x11);
}

TEST(ButtonAssignment, DpiVariantsAreCountedFromOneAndFollowShift) {
    Rig rig;
    ChooseDpiVariant(rig.Choice(Mode::A, 3), 2);
    EXPECT_EQ(rig.image.function(Mode::A, 3), Byte(ButtonFunction::DpiSwitch));
    EXPECT_EQ(rig.image.dpiVariant(Mode::A, 3), 3);
    EXPECT_EQ(rig.Label(Mode::A, 3), "DPI Loop");
    EXPECT_EQ(rig.image.function(Mode::B, 3), Byte(ButtonFunction::Back));

    const auto before = rig.image.bytes;
    ChooseDpiVariant(rig.Choice(Mode::A, 3), 4);
    ChooseDpiVariant(rig.Choice(Mode::A, 3), -1);
    EXPECT_EQ(rig.image.bytes, before);

    ASSERT_TRUE(ChooseShift(rig.Choice(Mode::A, 5)));
    ChooseDpiVariant(rig.Choice(Mode::A, 5), 3);
    EXPECT_EQ(rig.image.function(Mode::B, 5), Byte(ButtonFunction::DpiSwitch));
    EXPECT_EQ(rig.image.dpiVariant(Mode::B, 5), 4);
    EXPECT_EQ(rig.Label(Mode::B, 5), "Shift DPI");
}

TEST(ButtonAssignment, ParametersAndLabelsOfEachDialog) {
    Rig rig;
    const SlotChoice c = rig.Choice(Mode::A, 1);

    // The combination names only what reaches the mouse.
    EXPECT_EQ(AssignComboKey(c, "Left Ctrl", "", "A"), "Combo Key-Left Ctrl+A");
    EXPECT_EQ(rig.image.slot(Mode::A, SlotArray::ComboModifier, 1), 0x01);
    EXPECT_EQ(rig.image.slot(Mode::A, SlotArray::ComboKey1, 1), 0);
    EXPECT_EQ(rig.image.slot(Mode::A, SlotArray::ComboKey2, 1), 0x04);
    EXPECT_EQ(AssignComboKey(c, "", "B", "C"), "Combo Key-B+C");

    EXPECT_EQ(AssignSingleKey(c, "Esc"), "Single Key-Esc");
    EXPECT_EQ(rig.image.slot(Mode::A, SlotArray::SingleKey, 1), 0x29);

    // The repeat mode is stored from zero; numbers past a byte are clamped.
    EXPECT_EQ(AssignMacro(c, 300, 2, "M1"), "Macro Key-M1");
    EXPECT_EQ(rig.image.slot(Mode::A, SlotArray::MacroNumber, 1), 255);
    EXPECT_EQ(rig.image.slot(Mode::A, SlotArray::MacroRepeatMode, 1), 1);

    // The Windows functions name themselves; the usage page follows the index.
    EXPECT_EQ(AssignWindowsFunction(c, 2, "Sleep"), "Sleep");
    EXPECT_EQ(rig.image.slot(Mode::A, SlotArray::WindowsUsageHigh, 1), 1);
    AssignWindowsFunction(c, 7, "x");
    EXPECT_EQ(rig.image.slot(Mode::A, SlotArray::WindowsUsageHigh, 1), 2);
    EXPECT_EQ(rig.image.slot(Mode::A, SlotArray::WindowsFunctionIndex, 1), 7);
    EXPECT_EQ(rig.image.slot(Mode::A, SlotArray::WindowsUsageLow, 1),
              WindowsFunctionUsage(7) & 0xFF);

    EXPECT_EQ(AssignMultimedia(c, 1, "Play"), "Multimedia-Play");
    EXPECT_EQ(rig.image.slot(Mode::A, SlotArray::MultimediaUsage, 1), MultimediaUsage(1) & 0xFF);

    // Nothing of it reached the other mode or the function byte.
    EXPECT_EQ(rig.image.slot(Mode::B, SlotArray::SingleKey, 1), 0);
    EXPECT_EQ(rig.image.function(Mode::A, 1), Byte(ButtonFunction::Forward));
}

}  // namespace
}  // namespace ornyx::keys

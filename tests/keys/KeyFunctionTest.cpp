#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <set>
#include <utility>

#include "device/DeviceState.h"
#include "keys/KeyFunction.h"

namespace ornyx::keys {
namespace {

using settings::Mode;
using settings::SettingsImage;
using settings::SlotArray;

using Code = KeyFunctionCode;

// An image with no zero-ish regularity, so a read from the wrong slot, array
// or mode shows up as a wrong byte.
SettingsImage NoisyImage() {
    SettingsImage image;
    for (std::size_t i = 0; i < image.bytes.size(); ++i) {
        image.bytes[i] = static_cast<std::uint8_t>(i * 37 + 11);
    }
    return image;
}

std::uint32_t EntryValue(const device::DeviceState& state, std::size_t matrix, std::size_t entry) {
    const auto& m = state.keyMatrices[matrix - 1];
    const std::size_t at = entry * 4;
    return static_cast<std::uint32_t>(m[at]) | static_cast<std::uint32_t>(m[at + 1]) << 8 |
           static_cast<std::uint32_t>(m[at + 2]) << 16 |
           static_cast<std::uint32_t>(m[at + 3]) << 24;
}

void ExpectMatrixZero(const device::DeviceState& state, std::size_t matrix) {
    for (std::size_t i = 0; i < device::DeviceState::kMatrixSize; ++i) {
        EXPECT_EQ(state.keyMatrices[matrix - 1][i], 0) << "matrix " << matrix << " byte " << i;
    }
}

// The apply stores the matrices in the device state; the tests look at them there.
void BuildKeyMatrices(const SettingsImage& image, device::DeviceState& state) {
    state.keyMatrices = keys::BuildKeyMatrices(image);
}

TEST(EncodeKeyFunction, EveryFunctionIndexReadsItsOwnSlotAndMode) {
    struct Case {
        std::uint8_t function;
        Code expected;
    };
    const Case cases[] = {
        {0, {0x01, 0x00, 0xF0, 0x00}},
        {1, {0x01, 0x00, 0xF1, 0x00}},
        {2, {0x01, 0x00, 0xF2, 0x00}},
        {3, {0x01, 0x00, 0xF4, 0x00}},  // forward = button 5
        {4, {0x01, 0x00, 0xF3, 0x00}},
        {5, {0x0A, 0xF0, 0x22, 0x03}},
        {6, {0x07, 0x00, 0x02, 0x00}},
        {7, {0x08, 0x00, 0x03, 0x00}},
        {8, {0x03, 0x00, 0x92, 0x01}},
        {9, {0x03, 0x00, 0xE9, 0x00}},
        {10, {0x0A, 0x1E, 0x28, 0x00}},
        {11, {0x00, 0x00, 0x2B, 0x00}},
        {12, {0x00, 0x10, 0x04, 0x05}},
        {13, {0x09, 0x02, 0x0C, 0x00}},
        {14, {0x08, 0x00, 0x02, 0x00}},
        {15, {0x00, 0x00, 0x00, 0x00}},
        {16, {}},
        {200, {}},
        {255, {}},
    };
    for (Mode mode : {Mode::A, Mode::B}) {
        for (std::size_t slot : {std::size_t{0}, std::size_t{7}, std::size_t{11}}) {
            SettingsImage image = NoisyImage();
            image.slot(mode, SlotArray::MultimediaUsage, slot) = 0xE9;
            image.slot(mode, SlotArray::WindowsUsageLow, slot) = 0x92;
            image.slot(mode, SlotArray::WindowsUsageHigh, slot) = 0x01;
            image.slot(mode, SlotArray::FireKeyCode, slot) = 0x1E;
            image.slot(mode, SlotArray::FireKeySpeed, slot) = 0x28;
            image.slot(mode, SlotArray::FireKeyTimes, slot) = 0;
            image.slot(mode, SlotArray::SingleKey, slot) = 0x2B;
            image.slot(mode, SlotArray::ComboModifier, slot) = 0x10;
            image.slot(mode, SlotArray::ComboKey1, slot) = 0x04;
            image.slot(mode, SlotArray::ComboKey2, slot) = 0x05;
            image.slot(mode, SlotArray::MacroNumber, slot) = 11;
            image.slot(mode, SlotArray::MacroRepeatMode, slot) = 2;
            image.dpiVariant(mode, slot) = 2;
            for (const Case& c : cases) {
                image.function(mode, slot) = c.function;
                EXPECT_EQ(EncodeKeyFunction(image, mode, slot), c.expected)
                    << "mode " << static_cast<int>(mode) << " slot " << slot << " function "
                    << static_cast<int>(c.function);
            }
        }
    }
}

TEST(EncodeKeyFunction, DpiSwitchVariants) {
    SettingsImage image;
    image.function(Mode::B, 4) = 6;
    const std::pair<std::uint8_t, std::uint32_t> cases[] = {
        {0, 0x00000007},  // never chosen
        {1, 0x00010007}, {2, 0x00020007},
        {3, 0x00030007}, {4, 0x01040007},    // Shift DPI carries the extra flag
        {5, 0x00000007}, {255, 0x00000007},  // unknown variants: as never chosen
    };
    for (const auto& [variant, value] : cases) {
        image.dpiVariant(Mode::B, 4) = variant;
        EXPECT_EQ(EncodeKeyFunction(image, Mode::B, 4).Value(), value) << int{variant};
    }
    // The variant belongs to the mode and slot: Mode A's byte is ignored.
    image.dpiVariant(Mode::B, 4) = 1;
    image.dpiVariant(Mode::A, 4) = 4;
    EXPECT_EQ(EncodeKeyFunction(image, Mode::B, 4).Value(), 0x00010007u);
}

TEST(EncodeKeyFunction, MacroNumberAndRepeatMode) {
    SettingsImage image;
    image.function(Mode::A, 2) = 13;
    auto macro = [&](std::uint8_t number, std::uint8_t repeat) {
        image.slot(Mode::A, SlotArray::MacroNumber, 2) = number;
        image.slot(Mode::A, SlotArray::MacroRepeatMode, 2) = repeat;
        return EncodeKeyFunction(image, Mode::A, 2);
    };
    EXPECT_EQ(macro(0, 0), (Code{0x09, 0x00, 0x01, 0x00}));
    EXPECT_EQ(macro(11, 1), (Code{0x09, 0x01, 0x0C, 0x00}));
    // No macro 13 exists; number 255 would otherwise wrap to "macro 0".
    EXPECT_EQ(macro(12, 0), Code{});
    EXPECT_EQ(macro(255, 0), Code{});
    // A repeat mode the dialog cannot give falls back to the first one.
    EXPECT_EQ(macro(3, 3), (Code{0x09, 0x00, 0x04, 0x00}));
    EXPECT_EQ(macro(3, 255), (Code{0x09, 0x00, 0x04, 0x00}));
}

TEST(EncodeKeyFunction, EmptyKeysAndFireKeyLimits) {
    SettingsImage image;
    image.function(Mode::A, 1) = 11;  // single key confirmed without a key
    EXPECT_EQ(EncodeKeyFunction(image, Mode::A, 1), Code{});

    image.function(Mode::A, 1) = 12;  // combination with nothing chosen
    EXPECT_EQ(EncodeKeyFunction(image, Mode::A, 1), Code{});
    image.slot(Mode::A, SlotArray::ComboModifier, 1) = 0x01;
    image.slot(Mode::A, SlotArray::ComboKey1, 1) = 0x04;
    EXPECT_EQ(EncodeKeyFunction(image, Mode::A, 1), (Code{0x00, 0x01, 0x04, 0x00}));
    image.slot(Mode::A, SlotArray::ComboModifier, 1) = 0;
    image.slot(Mode::A, SlotArray::ComboKey1, 1) = 0;
    image.slot(Mode::A, SlotArray::ComboKey2, 1) = 0xE4;
    EXPECT_EQ(EncodeKeyFunction(image, Mode::A, 1), (Code{0x00, 0x00, 0x00, 0xE4}));

    image.function(Mode::A, 1) = 10;
    auto fire = [&](std::uint8_t speed, std::uint8_t times) {
        image.slot(Mode::A, SlotArray::FireKeyCode, 1) = 0xF5;
        image.slot(Mode::A, SlotArray::FireKeySpeed, 1) = speed;
        image.slot(Mode::A, SlotArray::FireKeyTimes, 1) = times;
        return EncodeKeyFunction(image, Mode::A, 1);
    };
    EXPECT_EQ(fire(32, 1), (Code{0x0A, 0xF5, 32, 1}));
    EXPECT_EQ(fire(255, 255), (Code{0x0A, 0xF5, 255, 255}));
    EXPECT_EQ(fire(5, 0), (Code{0x0A, 0xF5, 5, 0}));  // 0 = until released
    EXPECT_EQ(fire(0, 3), (Code{0x0A, 0xF5, 5, 3}));  // too fast: slowed to the limit
    EXPECT_EQ(fire(4, 3), (Code{0x0A, 0xF5, 5, 3}));
}

TEST(EncodeKeyFunction, OutOfRangeSlotOrModeIsNoFunction) {
    const SettingsImage image = NoisyImage();
    EXPECT_EQ(EncodeKeyFunction(image, Mode::A, 12), Code{});
    EXPECT_EQ(EncodeKeyFunction(image, Mode::B, std::numeric_limits<std::size_t>::max()), Code{});
    EXPECT_EQ(EncodeKeyFunction(image, static_cast<Mode>(2), 0), Code{});
    EXPECT_EQ(EncodeKeyFunction(image, static_cast<Mode>(255), 0), Code{});
}

TEST(BuildKeyMatrices, DefaultAssignment) {
    SettingsImage image;
    RestoreKeys(image);
    device::DeviceState state;
    BuildKeyMatrices(image, state);

    // clang-format off
    const std::uint32_t expected[16] = {
        0x00F00001, 0x00F10001, 0x00F20001, 0x00F30001,
        0x00F40001, 0x00030007, 0, 0,
        0, 0, 0, 0,
        0, 0, 0x00F70001, 0x00F80001};
    // clang-format on
    for (std::size_t matrix : {1u, 3u}) {
        for (std::size_t e = 0; e < 16; ++e) {
            EXPECT_EQ(EntryValue(state, matrix, e), expected[e])
                << "matrix " << matrix << " entry " << e;
        }
    }
    ExpectMatrixZero(state, 2);
    ExpectMatrixZero(state, 4);

    // DPI Loop on Mode A's button "4" goes out as 07 00 03 00 in entry 4.
    image.function(Mode::A, 3) = 6;
    image.dpiVariant(Mode::A, 3) = 3;
    BuildKeyMatrices(image, state);
    EXPECT_EQ(EncodeKeyFunction(image, Mode::A, 3).Value(), 0x00030007u);
    EXPECT_EQ(EntryValue(state, 1, 4), 0x00030007u);
    EXPECT_EQ(EntryValue(state, 3, 4), 0x00F40001u);
}

TEST(BuildKeyMatrices, AllZeroImageIsLeftButtonEverywhere) {
    const SettingsImage image;
    device::DeviceState state;
    BuildKeyMatrices(image, state);
    for (std::size_t matrix : {1u, 3u}) {
        for (std::size_t e = 0; e < 8; ++e) EXPECT_EQ(EntryValue(state, matrix, e), 0x00F00001u);
        for (std::size_t e = 8; e < 14; ++e) EXPECT_EQ(EntryValue(state, matrix, e), 0u);
        EXPECT_EQ(EntryValue(state, matrix, 14), 0x00F70001u);
        EXPECT_EQ(EntryValue(state, matrix, 15), 0x00F80001u);
    }
}

TEST(BuildKeyMatrices, SlotsLandInTheirEntriesPerMode) {
    SettingsImage image = NoisyImage();
    for (std::size_t s = 0; s < 12; ++s) {
        image.function(Mode::A, s) = 11;
        image.slot(Mode::A, SlotArray::SingleKey, s) = static_cast<std::uint8_t>(0x04 + s);
        image.function(Mode::B, s) = 11;
        image.slot(Mode::B, SlotArray::SingleKey, s) = static_cast<std::uint8_t>(0x20 + s);
    }
    device::DeviceState state;
    BuildKeyMatrices(image, state);

    const std::size_t slotOfEntry[8] = {0, 1, 2, 4, 3, 5, 6, 7};
    for (std::size_t e = 0; e < 8; ++e) {
        EXPECT_EQ(EntryValue(state, 1, e), (0x04u + slotOfEntry[e]) << 16) << e;
        EXPECT_EQ(EntryValue(state, 3, e), (0x20u + slotOfEntry[e]) << 16) << e;
        EXPECT_EQ(MatrixEntryForSlot(slotOfEntry[e]), e);
    }

    // Slots 8..11 never reach the mouse.
    const device::DeviceState before = state;
    for (std::size_t s = 8; s < 12; ++s) {
        image.function(Mode::A, s) = 0;
        image.function(Mode::B, s) = 7;
    }
    BuildKeyMatrices(image, state);
    EXPECT_EQ(state.keyMatrices, before.keyMatrices);
}

TEST(BuildKeyMatrices, StaleDeviceStateNeverLeaks) {
    device::DeviceState state;
    for (auto& matrix : state.keyMatrices) matrix.fill(0xAB);
    BuildKeyMatrices(NoisyImage(), state);
    ExpectMatrixZero(state, 2);
    ExpectMatrixZero(state, 4);
    for (std::size_t matrix : {1u, 3u}) {
        for (std::size_t e = 8; e < 14; ++e) EXPECT_EQ(EntryValue(state, matrix, e), 0u) << e;
    }
}

TEST(RestoreKeys, TouchesOnlyFunctionsAndSlot5Variant) {
    const SettingsImage original = NoisyImage();
    SettingsImage image = original;
    RestoreKeys(image);

    const std::uint8_t defaults[12] = {0, 1, 2, 3, 4, 6, 15, 15, 15, 15, 15, 15};
    std::set<std::size_t> changed = {1966, 1978};
    for (std::size_t s = 0; s < 12; ++s) {
        EXPECT_EQ(image.function(Mode::A, s), defaults[s]) << s;
        EXPECT_EQ(image.function(Mode::B, s), defaults[s]) << s;
        EXPECT_EQ(static_cast<std::uint8_t>(DefaultFunction(s)), defaults[s]) << s;
        changed.insert(s);
        changed.insert(192 + s);
    }
    EXPECT_EQ(image.bytes[1966], 3);
    EXPECT_EQ(image.bytes[1978], 3);
    for (std::size_t i = 0; i < image.bytes.size(); ++i) {
        if (!changed.count(i)) {
            EXPECT_EQ(image.bytes[i], original.bytes[i]) << "offset " << i;
        }
    }
    EXPECT_EQ(DefaultFunction(12), ButtonFunction::KeyOff);
}

}  // namespace
}  // namespace ornyx::keys

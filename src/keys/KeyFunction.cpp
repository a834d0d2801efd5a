#include "keys/KeyFunction.h"

#include <algorithm>

#include "keys/KeyTables.h"

namespace ornyx::keys {

namespace {

using settings::Mode;
using settings::SettingsImage;
using settings::SlotArray;

constexpr std::uint8_t kMacroCount = 12;
constexpr std::uint8_t kMaxRepeatMode = 2;
constexpr std::uint8_t kMinFireSpeed = 5;
constexpr std::uint8_t kMaxDpiVariant = 4;

// Triple fire is a fixed fire key: left button, speed 34, three shots.
constexpr std::uint8_t kTripleFireSpeed = 0x22;
constexpr std::uint8_t kTripleFireTimes = 3;

constexpr std::uint8_t Kind(KeyFunctionKind k) {
    return static_cast<std::uint8_t>(k);
}

constexpr KeyFunctionCode MouseButtonCode(std::uint8_t mouseCode) {
    return {Kind(KeyFunctionKind::MouseButton), 0, mouseCode, 0};
}

constexpr KeyFunctionCode SpecialCode(std::uint8_t which) {
    return {Kind(KeyFunctionKind::Special), 0, which, 0};
}

void StoreCode(std::array<std::uint8_t, kMatrixBytes>& matrix, std::size_t entry,
               KeyFunctionCode code) {
    const std::size_t at = entry * 4;
    matrix[at + 0] = code.b0;
    matrix[at + 1] = code.b1;
    matrix[at + 2] = code.b2;
    matrix[at + 3] = code.b3;
}

}  // namespace

KeyFunctionCode EncodeKeyFunction(const SettingsImage& image, Mode mode, std::size_t slot) {
    if (slot >= SettingsImage::kSlots || (mode != Mode::A && mode != Mode::B)) return {};
    const auto param = [&](SlotArray array) { return image.slot(mode, array, slot); };

    const std::uint8_t function = param(SlotArray::Function);
    if (function >= kButtonFunctionCount) return {};

    switch (static_cast<ButtonFunction>(function)) {
        case ButtonFunction::LeftButton:
            return MouseButtonCode(kMouseLeftButton);
        case ButtonFunction::RightButton:
            return MouseButtonCode(kMouseRightButton);
        case ButtonFunction::MiddleButton:
            return MouseButtonCode(kMouseMiddleButton);
        case ButtonFunction::Forward:
            return MouseButtonCode(kMouseButton5);
        case ButtonFunction::Back:
            return MouseButtonCode(kMouseButton4);
        case ButtonFunction::TripleFire:
            return {Kind(KeyFunctionKind::FireKey), kMouseLeftButton, kTripleFireSpeed,
                    kTripleFireTimes};
        case ButtonFunction::DpiSwitch: {
            std::uint8_t variant = image.dpiVariant(mode, slot);
            if (variant > kMaxDpiVariant) variant = 0;
            return {Kind(KeyFunctionKind::DpiSwitch), 0, variant,
                    static_cast<std::uint8_t>(variant == kMaxDpiVariant ? 1 : 0)};
        }
        case ButtonFunction::RgbToggle:
            return SpecialCode(kSpecialRgbToggle);
        case ButtonFunction::WindowsFunction:
            return {Kind(KeyFunctionKind::Consumer), 0, param(SlotArray::WindowsUsageLow),
                    param(SlotArray::WindowsUsageHigh)};
        case ButtonFunction::Multimedia:
            return {Kind(KeyFunctionKind::Consumer), 0, param(SlotArray::MultimediaUsage), 0};
        case ButtonFunction::FireKey:
            return {Kind(KeyFunctionKind::FireKey), param(SlotArray::FireKeyCode),
                    std::max(param(SlotArray::FireKeySpeed), kMinFireSpeed),
                    param(SlotArray::FireKeyTimes)};
        case ButtonFunction::SingleKey:
            return {Kind(KeyFunctionKind::Keyboard), 0, param(SlotArray::SingleKey), 0};
        case ButtonFunction::ComboKey:
            return {Kind(KeyFunctionKind::Keyboard), param(SlotArray::ComboModifier),
                    param(SlotArray::ComboKey1), param(SlotArray::ComboKey2)};
        case ButtonFunction::Macro: {
            const std::uint8_t number = param(SlotArray::MacroNumber);
            if (number >= kMacroCount) return {};
            std::uint8_t repeat = param(SlotArray::MacroRepeatMode);
            if (repeat > kMaxRepeatMode) repeat = 0;
            return {Kind(KeyFunctionKind::Macro), repeat, static_cast<std::uint8_t>(number + 1), 0};
        }
        case ButtonFunction::Shift:
            return SpecialCode(kSpecialShift);
        case ButtonFunction::KeyOff:
            return {};
    }
    return {};
}

KeyMatrices BuildKeyMatrices(const SettingsImage& image) {
    // Matrices 2 and 4 and entries 8..13 reach the mouse as zeros.
    KeyMatrices matrices{};
    auto& modeA = matrices[0];
    auto& modeB = matrices[2];
    for (std::size_t slot = 0; slot < kEncodedSlots; ++slot) {
        const std::size_t entry = MatrixEntryForSlot(slot);
        StoreCode(modeA, entry, EncodeKeyFunction(image, Mode::A, slot));
        StoreCode(modeB, entry, EncodeKeyFunction(image, Mode::B, slot));
    }
    for (auto* matrix : {&modeA, &modeB}) {
        StoreCode(*matrix, 14, MouseButtonCode(kMouseFixedEntry14));
        StoreCode(*matrix, 15, MouseButtonCode(kMouseFixedEntry15));
    }
    return matrices;
}

ButtonFunction DefaultFunction(std::size_t slot) {
    constexpr std::array<ButtonFunction, 6> kBoxed{
        ButtonFunction::LeftButton, ButtonFunction::RightButton, ButtonFunction::MiddleButton,
        ButtonFunction::Forward,    ButtonFunction::Back,        ButtonFunction::DpiSwitch,
    };
    return slot < kBoxed.size() ? kBoxed[slot] : ButtonFunction::KeyOff;
}

void RestoreKeys(SettingsImage& image) {
    for (Mode mode : {Mode::A, Mode::B}) {
        for (std::size_t slot = 0; slot < SettingsImage::kSlots; ++slot) {
            image.function(mode, slot) = static_cast<std::uint8_t>(DefaultFunction(slot));
        }
        image.dpiVariant(mode, kDefaultDpiSlot) = kDefaultDpiVariant;
    }
}

}  // namespace ornyx::keys

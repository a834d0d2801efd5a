#include "settings/SettingsImage.h"

#include <cassert>

namespace ornyx::settings {

namespace {

std::size_t SlotOffset(Mode mode, SlotArray array, std::size_t slot) {
    assert(slot < SettingsImage::kSlots);
    if (slot >= SettingsImage::kSlots) slot = SettingsImage::kSlots - 1;
    return static_cast<std::size_t>(mode) * SettingsImage::kBlockSize +
           static_cast<std::size_t>(array) + slot;
}

std::size_t LevelIndex(std::size_t level) {
    assert(level >= 1 && level <= 4);
    if (level < 1) return 0;
    if (level > 4) return 3;
    return level - 1;
}

std::size_t VariantOffset(Mode mode, std::size_t slot) {
    assert(slot < SettingsImage::kSlots);
    if (slot >= SettingsImage::kSlots) slot = SettingsImage::kSlots - 1;
    return (mode == Mode::A ? SettingsImage::kDpiVariantA : SettingsImage::kDpiVariantB) + slot;
}

std::size_t MacroOffset(std::size_t i) {
    assert(i >= 1 && i <= SettingsImage::kMacroSlots);
    if (i < 1) i = 1;
    if (i > SettingsImage::kMacroSlots) i = SettingsImage::kMacroSlots;
    return SettingsImage::kMacroAreaOffset + (i - 1) * SettingsImage::kMacroSlotSize;
}

}  // namespace

std::uint8_t& SettingsImage::slot(Mode mode, SlotArray array, std::size_t s) {
    return bytes[SlotOffset(mode, array, s)];
}
std::uint8_t SettingsImage::slot(Mode mode, SlotArray array, std::size_t s) const {
    return bytes[SlotOffset(mode, array, s)];
}
std::uint8_t& SettingsImage::dpiVariant(Mode mode, std::size_t s) {
    return bytes[VariantOffset(mode, s)];
}
std::uint8_t SettingsImage::dpiVariant(Mode mode, std::size_t s) const {
    return bytes[VariantOffset(mode, s)];
}

std::span<std::uint8_t, SettingsImage::kMacroSlotSize> SettingsImage::macroSlot(std::size_t i) {
    return std::span<std::uint8_t, kMacroSlotSize>(bytes.data() + MacroOffset(i), kMacroSlotSize);
}
std::span<const std::uint8_t, SettingsImage::kMacroSlotSize> SettingsImage::macroSlot(
    std::size_t i) const {
    return std::span<const std::uint8_t, kMacroSlotSize>(bytes.data() + MacroOffset(i),
                                                         kMacroSlotSize);
}

std::uint8_t& SettingsImage::dpiStep(std::size_t level) {
    return bytes[kDpiStep + LevelIndex(level)];
}
std::uint8_t SettingsImage::dpiStep(std::size_t level) const {
    return bytes[kDpiStep + LevelIndex(level)];
}
std::uint8_t& SettingsImage::dpiEnabled(std::size_t level) {
    return bytes[kDpiEnabled + LevelIndex(level)];
}
std::uint8_t SettingsImage::dpiEnabled(std::size_t level) const {
    return bytes[kDpiEnabled + LevelIndex(level)];
}
std::span<std::uint8_t, 3> SettingsImage::dpiColour(std::size_t level) {
    return std::span<std::uint8_t, 3>(bytes.data() + kDpiColour + 3 * LevelIndex(level), 3);
}
std::span<const std::uint8_t, 3> SettingsImage::dpiColour(std::size_t level) const {
    return std::span<const std::uint8_t, 3>(bytes.data() + kDpiColour + 3 * LevelIndex(level), 3);
}

}  // namespace ornyx::settings

#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace ornyx::settings {

// Which button set: Mode A feeds key matrix 1, Mode B key matrix 3.
enum class Mode : std::uint8_t { A = 0, B = 1 };

// The twelve-byte arrays of an assignment block, by their offset inside the
// block. Byte b of an array belongs to button slot b.
enum class SlotArray : std::size_t {
    Function = 0,
    MultimediaIndex = 12,
    MultimediaUsage = 24,
    WindowsFunctionIndex = 36,
    WindowsUsageLow = 48,
    WindowsUsageHigh = 60,
    FireKeyIndex = 72,
    FireKeyCode = 84,
    FireKeySpeed = 96,
    FireKeyTimes = 108,
    SingleKey = 120,
    ComboModifier = 132,
    ComboKey1 = 144,
    ComboKey2 = 156,
    MacroNumber = 168,
    MacroRepeatMode = 180,
};

// Each per-slot array by the name that text and JSON output use; Function first.
struct SlotArrayName {
    const char* name;
    SlotArray array;
};
inline constexpr SlotArrayName kSlotArrayNames[] = {
    {"function", SlotArray::Function},
    {"multimedia_index", SlotArray::MultimediaIndex},
    {"multimedia_usage", SlotArray::MultimediaUsage},
    {"windows_function_index", SlotArray::WindowsFunctionIndex},
    {"windows_usage_low", SlotArray::WindowsUsageLow},
    {"windows_usage_high", SlotArray::WindowsUsageHigh},
    {"fire_key_index", SlotArray::FireKeyIndex},
    {"fire_key_code", SlotArray::FireKeyCode},
    {"fire_key_speed", SlotArray::FireKeySpeed},
    {"fire_key_times", SlotArray::FireKeyTimes},
    {"single_key", SlotArray::SingleKey},
    {"combo_modifier", SlotArray::ComboModifier},
    {"combo_key1", SlotArray::ComboKey1},
    {"combo_key2", SlotArray::ComboKey2},
    {"macro_number", SlotArray::MacroNumber},
    {"macro_repeat_mode", SlotArray::MacroRepeatMode},
};

// Everything the user edits, as the flat 1985-byte record that config.bin
// stores byte for byte. The offsets are a file format and must not change.
class SettingsImage {
public:
    static constexpr std::size_t kSize = 1985;
    static constexpr std::size_t kBlockSize = 192;
    static constexpr std::size_t kSlots = 12;
    // The mouse has six buttons: slots 0..5. The others are stored, have
    // labels, and (6 and 7) even reach the key matrix, but press nothing.
    static constexpr std::size_t kSlotsWithButton = 6;
    static constexpr std::size_t kMacroAreaOffset = 384;
    static constexpr std::size_t kMacroSlotSize = 128;
    static constexpr std::size_t kMacroSlots = 12;

    static constexpr std::size_t kReserved1 = 1920;  // 5 bytes, kept as loaded
    static constexpr std::size_t kReportRate = 1925;
    static constexpr std::size_t kReserved2 = 1926;
    static constexpr std::size_t kDpiStep = 1927;     // + level 0..3
    static constexpr std::size_t kDpiEnabled = 1931;  // + level 0..3
    static constexpr std::size_t kDpiColour = 1935;   // + 3 * level 0..3, R G B
    static constexpr std::size_t kLightingMode = 1947;
    static constexpr std::size_t kStandardBrightness = 1948;
    static constexpr std::size_t kRespirationPeriod = 1949;
    static constexpr std::size_t kNeonPeriod = 1950;
    static constexpr std::size_t kStandardColourEffect = 1951;
    static constexpr std::size_t kRespirationColourEffect = 1952;
    static constexpr std::size_t kNeonColourEffect = 1953;
    static constexpr std::size_t kReserved3 = 1954;
    static constexpr std::size_t kEnhancedPointerPrecision = 1955;
    static constexpr std::size_t kScrollOnePage = 1956;
    static constexpr std::size_t kPointerSpeed = 1957;
    static constexpr std::size_t kScrollLines = 1958;
    static constexpr std::size_t kDoubleClickSpeed = 1959;
    static constexpr std::size_t kShownMode = 1960;
    static constexpr std::size_t kDpiVariantA = 1961;  // + slot 0..11
    static constexpr std::size_t kDpiVariantB = 1973;  // + slot 0..11

    std::array<std::uint8_t, kSize> bytes{};

    // Assignment blocks. `slot` is 0..11; out-of-range slots are a programming
    // error and are clamped by the caller's loops, so they are checked here.
    std::uint8_t& slot(Mode mode, SlotArray array, std::size_t slot);
    std::uint8_t slot(Mode mode, SlotArray array, std::size_t slot) const;
    std::uint8_t& function(Mode m, std::size_t s) { return slot(m, SlotArray::Function, s); }
    std::uint8_t function(Mode m, std::size_t s) const { return slot(m, SlotArray::Function, s); }
    std::uint8_t& dpiVariant(Mode mode, std::size_t slot);
    std::uint8_t dpiVariant(Mode mode, std::size_t slot) const;

    // Macro slot i = 1..12, 128 bytes each.
    std::span<std::uint8_t, kMacroSlotSize> macroSlot(std::size_t i);
    std::span<const std::uint8_t, kMacroSlotSize> macroSlot(std::size_t i) const;
    std::span<const std::uint8_t> macroArea() const {
        return std::span<const std::uint8_t>(bytes).subspan(kMacroAreaOffset,
                                                            kMacroSlots * kMacroSlotSize);
    }

    std::uint8_t& reportRate() { return bytes[kReportRate]; }
    std::uint8_t reportRate() const { return bytes[kReportRate]; }

    // DPI level 1..4.
    std::uint8_t& dpiStep(std::size_t level);
    std::uint8_t dpiStep(std::size_t level) const;
    std::uint8_t& dpiEnabled(std::size_t level);
    std::uint8_t dpiEnabled(std::size_t level) const;
    std::span<std::uint8_t, 3> dpiColour(std::size_t level);
    std::span<const std::uint8_t, 3> dpiColour(std::size_t level) const;

    std::uint8_t& lightingMode() { return bytes[kLightingMode]; }
    std::uint8_t lightingMode() const { return bytes[kLightingMode]; }
    std::uint8_t& standardBrightness() { return bytes[kStandardBrightness]; }
    std::uint8_t standardBrightness() const { return bytes[kStandardBrightness]; }
    std::uint8_t& respirationPeriod() { return bytes[kRespirationPeriod]; }
    std::uint8_t respirationPeriod() const { return bytes[kRespirationPeriod]; }
    std::uint8_t& neonPeriod() { return bytes[kNeonPeriod]; }
    std::uint8_t neonPeriod() const { return bytes[kNeonPeriod]; }
    std::uint8_t& standardColourEffect() { return bytes[kStandardColourEffect]; }
    std::uint8_t standardColourEffect() const { return bytes[kStandardColourEffect]; }
    std::uint8_t& respirationColourEffect() { return bytes[kRespirationColourEffect]; }
    std::uint8_t respirationColourEffect() const { return bytes[kRespirationColourEffect]; }
    std::uint8_t& neonColourEffect() { return bytes[kNeonColourEffect]; }
    std::uint8_t neonColourEffect() const { return bytes[kNeonColourEffect]; }

    std::uint8_t& enhancedPointerPrecision() { return bytes[kEnhancedPointerPrecision]; }
    std::uint8_t enhancedPointerPrecision() const { return bytes[kEnhancedPointerPrecision]; }
    std::uint8_t& scrollOnePage() { return bytes[kScrollOnePage]; }
    std::uint8_t scrollOnePage() const { return bytes[kScrollOnePage]; }
    std::uint8_t& pointerSpeed() { return bytes[kPointerSpeed]; }
    std::uint8_t pointerSpeed() const { return bytes[kPointerSpeed]; }
    std::uint8_t& scrollLines() { return bytes[kScrollLines]; }
    std::uint8_t scrollLines() const { return bytes[kScrollLines]; }
    std::uint8_t& doubleClickSpeed() { return bytes[kDoubleClickSpeed]; }
    std::uint8_t doubleClickSpeed() const { return bytes[kDoubleClickSpeed]; }
    std::uint8_t& shownMode() { return bytes[kShownMode]; }
    std::uint8_t shownMode() const { return bytes[kShownMode]; }

    bool operator==(const SettingsImage&) const = default;
};

// The image and its backup (the state of the last load or apply, which Cancel
// restores), plus the first-run flag as loaded from config.bin.
struct SettingsState {
    SettingsImage image;
    SettingsImage backup;
    std::uint8_t firstRunFlag = 0;

    void TakeBackup() { backup = image; }
    void RestoreBackup() { image = backup; }
};

}  // namespace ornyx::settings

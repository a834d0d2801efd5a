#pragma once

#include <array>
#include <cstdint>

namespace ornyx::device {

// What the mouse holds, as far as the program has read or written it. All
// zero at start and never saved.
struct SensorSettings {
    std::uint8_t sensorType = 0;
    std::uint8_t rate = 0;
    std::uint8_t option1 = 0;
    std::uint8_t option2 = 0;
};

struct EffectSettings {
    std::uint8_t effect = 0;
    std::uint8_t option1 = 0;
    std::uint8_t option2 = 0;
};

struct DeviceState {
    static constexpr std::size_t kDataBankSize = 24;
    static constexpr std::size_t kMatrixSize = 64;
    static constexpr std::size_t kMacroSlotSize = 128;

    std::uint8_t reportRateCode = 0;
    SensorSettings sensor;
    std::uint8_t sensorTypeInUse = 0;
    EffectSettings effect;
    std::array<std::array<std::uint8_t, 3>, 2> settingBanks{};
    std::array<std::array<std::uint8_t, kDataBankSize>, 2> dataBanks{};
    std::array<std::uint8_t, 8> dpiTable{};
    std::uint8_t dpiLevelCount = 0;
    std::array<std::array<std::uint8_t, kMatrixSize>, 4> keyMatrices{};         // matrices 1..4
    std::array<std::array<std::uint8_t, kMacroSlotSize>, 12> transferBuffer{};  // slots 1..12
};

}  // namespace ornyx::device

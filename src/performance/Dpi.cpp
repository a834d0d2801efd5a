#include "performance/Dpi.h"

#include <array>

namespace ornyx::performance {

namespace {

constexpr std::array<DpiStep, 12> kSensor0{{
    {"250", 0x01},
    {"500", 0x02},
    {"750", 0x03},
    {"1000", 0x04},
    {"1250", 0x05},
    {"1500", 0x06},
    {"1750", 0x07},
    {"2000", 0x08},
    {"2500", 0x25},
    {"3000", 0x26},
    {"3500", 0x27},
    {"4000", 0x28},
}};
constexpr std::array<DpiStep, 8> kSensor1{{
    {"600", 0x01},
    {"800", 0x02},
    {"1000", 0x03},
    {"1200", 0x04},
    {"1600", 0x05},
    {"2000", 0x23},
    {"2400", 0x24},
    {"3200", 0x25},
}};
constexpr std::array<DpiStep, 8> kSensor2{{
    {"250", 0x02},
    {"500", 0x04},
    {"750", 0x06},
    {"1000", 0x08},
    {"1250", 0x0A},
    {"1500", 0x26},
    {"2000", 0x28},
    {"2500", 0x2A},
}};
constexpr std::array<DpiStep, 8> kSensor3{{
    {"400", 0x01},
    {"800", 0x02},
    {"1200", 0x03},
    {"1600", 0x04},
    {"2000", 0x05},
    {"2400", 0x06},
    {"2800", 0x07},
    {"3200", 0x08},
}};
constexpr std::array<DpiStep, 12> kUnknownSensor{{
    {"250", 0x00},
    {"500", 0x00},
    {"750", 0x00},
    {"1000", 0x00},
    {"1250", 0x00},
    {"1500", 0x00},
    {"1750", 0x00},
    {"2000", 0x00},
    {"2500", 0x00},
    {"3000", 0x00},
    {"3500", 0x00},
    {"4000", 0x00},
}};

constexpr std::uint8_t kLastKnownSensorType = 3;
// Only the 12-step sensor can take steps above this one from the panel.
constexpr std::size_t kStepsOfEverySensor = 8;

constexpr std::array<ReportRate, 4> kReportRates{{
    {8, 125, "125"},
    {4, 250, "250"},
    {2, 500, "500"},
    {1, 1000, "1000"},
}};

bool ValidLevel(std::size_t level) {
    return level >= 1 && level <= kDpiLevels;
}

}  // namespace

std::span<const DpiStep> DpiSteps(std::uint8_t sensorType) {
    switch (sensorType) {
        case 0:
            return kSensor0;
        case 1:
            return kSensor1;
        case 2:
            return kSensor2;
        case 3:
            return kSensor3;
        default:
            return kUnknownSensor;
    }
}

bool KnownSensorType(std::uint8_t sensorType) {
    return sensorType <= kLastKnownSensorType;
}

std::size_t DpiStepCount(std::uint8_t sensorType) {
    return DpiSteps(sensorType).size();
}

std::size_t EffectiveDpiStep(std::uint8_t sensorType, std::uint8_t stepIndex) {
    const std::size_t count = DpiStepCount(sensorType);
    return stepIndex < count ? stepIndex : count - 1;
}

std::string DpiLabel(std::uint8_t sensorType, std::uint8_t stepIndex) {
    if (!KnownSensorType(sensorType)) return {};
    return std::string(DpiSteps(sensorType)[EffectiveDpiStep(sensorType, stepIndex)].label);
}

std::uint8_t DpiCode(std::uint8_t sensorType, std::uint8_t stepIndex) {
    return DpiSteps(sensorType)[EffectiveDpiStep(sensorType, stepIndex)].code;
}

DpiTable BuildDpiTable(const settings::SettingsImage& image, std::uint8_t sensorTypeInUse) {
    DpiTable table;
    table.levelCount = static_cast<std::uint8_t>(kDpiLevels);
    for (std::size_t level = 1; level <= kDpiLevels; ++level) {
        const std::uint8_t code = DpiCode(sensorTypeInUse, image.dpiStep(level));
        const bool on = image.dpiEnabled(level) != 0;
        table.codes[level - 1] = on ? static_cast<std::uint8_t>(code & ~kDpiLevelOff)
                                    : static_cast<std::uint8_t>(code | kDpiLevelOff);
    }
    for (std::size_t i = kDpiLevels; i < table.codes.size(); ++i) {
        table.codes[i] = kDpiLevelOff;
    }
    return table;
}

bool SetDpiStep(settings::SettingsImage& image, std::uint8_t sensorType, std::size_t level,
                std::size_t step) {
    if (!ValidLevel(level) || step < 1 || step > kMaxDpiSteps) return false;
    if (step > kStepsOfEverySensor && sensorType != 0) return false;
    image.dpiStep(level) = static_cast<std::uint8_t>(step - 1);
    return true;
}

bool ToggleDpiLevel(settings::SettingsImage& image, std::size_t level) {
    if (!ValidLevel(level)) return false;
    if (image.dpiEnabled(level) == 0) {
        image.dpiEnabled(level) = 1;
        return true;
    }
    for (std::size_t other = 1; other <= kDpiLevels; ++other) {
        if (other != level && image.dpiEnabled(other) != 0) {
            image.dpiEnabled(level) = 0;
            return true;
        }
    }
    return false;
}

std::span<const ReportRate> ReportRates() {
    return kReportRates;
}

std::uint16_t ReportRateHz(std::uint8_t code) {
    for (const ReportRate& rate : kReportRates) {
        if (rate.code == code) return rate.hz;
    }
    return 0;
}

std::uint8_t ReportRateCode(std::size_t position) {
    if (position < 1 || position > kReportRates.size()) return 0;
    return kReportRates[position - 1].code;
}

std::size_t ReportRatePosition(std::uint8_t code) {
    for (std::size_t i = 0; i < kReportRates.size(); ++i) {
        if (kReportRates[i].code == code) return i + 1;
    }
    return kReportRates.size();
}

std::size_t SelectReportRate(settings::SettingsImage& image, std::size_t position) {
    const std::size_t shown = ReportRatePosition(image.reportRate());
    const std::uint8_t code = ReportRateCode(position);
    if (code != 0) image.reportRate() = code;
    return shown;
}

}  // namespace ornyx::performance

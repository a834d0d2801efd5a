#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include <array>

#include "settings/SettingsImage.h"

namespace ornyx::performance {

inline constexpr std::size_t kDpiLevels = 4;
inline constexpr std::size_t kMaxDpiSteps = 12;
// Set in a DPI table byte for a level that is off.
inline constexpr std::uint8_t kDpiLevelOff = 0x80;

// One step of a sensor's DPI list: the DPI value shown beside the slider and
// the code the mouse expects for it.
struct DpiStep {
    std::string_view label;
    std::uint8_t code;
};

// The steps of the DPI panel for a sensor type, step 1 first: 12 steps for
// type 0, 8 for types 1..3. An unknown type (above 3) gets the type-0 labels
// on the panel and code 0 for every step, since the mouse knows no codes for it.
std::span<const DpiStep> DpiSteps(std::uint8_t sensorType);
// Whether the sensor type has a DPI list of its own (0..3).
bool KnownSensorType(std::uint8_t sensorType);
std::size_t DpiStepCount(std::uint8_t sensorType);

// A stored step index may come from a config.bin saved with another sensor and
// lie beyond this sensor's list. It is left as stored in the settings image,
// but shown, labelled and sent as the sensor's last step, so that a 12-step
// choice used on an 8-step sensor means the highest DPI it has.
std::size_t EffectiveDpiStep(std::uint8_t sensorType, std::uint8_t stepIndex);

// Label for notifications: empty for an unknown sensor type, whose DPI values
// are not known (the panel still shows the type-0 labels, see DpiSteps).
std::string DpiLabel(std::uint8_t sensorType, std::uint8_t stepIndex);
std::uint8_t DpiCode(std::uint8_t sensorType, std::uint8_t stepIndex);

// What the DPI-table write sends.
struct DpiTable {
    std::array<std::uint8_t, 8> codes{};
    std::uint8_t levelCount = 0;
};

// The DPI table and level count from the four DPI levels, with the sensor
// type in use: levels 1..4 in bytes 0..3 (bit 7 set when the level is off),
// bytes 4..7 always off.
DpiTable BuildDpiTable(const settings::SettingsImage& image, std::uint8_t sensorTypeInUse);

// Panel clicks. `level` is 1..4 and `step` 1..12 as on screen; anything else
// is ignored. Each returns true when it changed the image (and the panel must
// redraw).
//
// Steps 9..12 take effect only on a type-0 sensor; steps 1..8 always do, also
// for a level that is off.
bool SetDpiStep(settings::SettingsImage& image, std::uint8_t sensorType, std::size_t level,
                std::size_t step);
// Switches a level on or off; the last level that is on cannot be switched
// off. Any non-zero enabled byte counts as on, as the DPI table reads it.
bool ToggleDpiLevel(settings::SettingsImage& image, std::size_t level);

// Report rates in the order of the selector's positions 1..4.
struct ReportRate {
    std::uint8_t code;
    std::uint16_t hz;
    std::string_view label;
};

std::span<const ReportRate> ReportRates();
// 0 for a code the mouse does not know.
std::uint16_t ReportRateHz(std::uint8_t code);
// Position 1..4 -> code; 0 for another position.
std::uint8_t ReportRateCode(std::size_t position);
// Code -> position 1..4. An unknown code is shown at the 1000 Hz position.
std::size_t ReportRatePosition(std::uint8_t code);
// Stores the code of `position` (1..4; anything else is ignored) and returns
// the position shown before, so the selector redraws only when the lit
// position really moves: comparing codes would darken the 1000 Hz position
// when an unknown stored code is replaced by 1000 Hz.
std::size_t SelectReportRate(settings::SettingsImage& image, std::size_t position);

}  // namespace ornyx::performance

#include "performance/PointerSettings.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace ornyx::performance {
namespace {

using settings::SettingsImage;

constexpr int kDefaultClassicSpeed = 10;
constexpr int kDefaultWheelLines = 3;
constexpr int kDefaultDoubleClickMs = 500;

int ClampPosition(int position) {
    return std::clamp(position, 1, kSliderPositions);
}

std::uint8_t& Field(SettingsImage& image, PointerSlider slider) {
    switch (slider) {
        case PointerSlider::Speed:
            return image.pointerSpeed();
        case PointerSlider::ScrollLines:
            return image.scrollLines();
        case PointerSlider::DoubleClick:
            break;
    }
    return image.doubleClickSpeed();
}

void Warn(MessageSink& messages, std::string_view text) {
    messages.ShowMessage(std::string(text), std::string(kPointerWarningCaption));
}

// The desktop writes shared by Apply and Default; each failure is shown and
// the next write still happens.
void Write(PointerSettings& desktop, MessageSink& messages, const MouseParameters& parameters,
           int speed, int wheelLines, int doubleClickMs) {
    if (desktop.Has(PointerOption::Precision) && !desktop.SetMouseParameters(parameters)) {
        Warn(messages, kSetMouseFailed);
    }
    if (desktop.Has(PointerOption::Speed) && !desktop.SetSpeed(speed))
        Warn(messages, kSetSpeedFailed);
    if (desktop.Has(PointerOption::WheelLines) && !desktop.SetWheelScrollLines(wheelLines)) {
        Warn(messages, kSetWheelLinesFailed);
    }
    if (desktop.Has(PointerOption::DoubleClick) && !desktop.SetDoubleClickTime(doubleClickMs)) {
        Warn(messages, kSetDoubleClickFailed);
    }
}

}  // namespace

int ClassicSpeedForPosition(int position) {
    const int p = ClampPosition(position);
    return p == 1 ? 1 : 2 * p - 2;
}

int PositionForClassicSpeed(int speed) {
    return ClampPosition(std::clamp(speed, kMinClassicSpeed, kMaxClassicSpeed) / 2 + 1);
}

int DoubleClickTimeForPosition(int position) {
    return 970 - 70 * ClampPosition(position);
}

int PositionForDoubleClickTime(int milliseconds) {
    // Clamping the time first keeps the division on non-negative values, where
    // "div" and C++'s truncation agree.
    const int ms = std::clamp(milliseconds, 200, 900);
    return ClampPosition((900 - ms) / 70 + 1);
}

int PositionForWheelLines(int lines) {
    return std::clamp(lines, 0, kSliderPositions);
}

double GnomeSpeedForClassic(int speed) {
    const int s = std::clamp(speed, kMinClassicSpeed, kMaxClassicSpeed);
    const int offset = s - kDefaultClassicSpeed;
    return offset <= 0 ? offset / 9.0 : offset / 10.0;
}

int ClassicSpeedForGnome(double gnomeSpeed) {
    if (std::isnan(gnomeSpeed)) return kDefaultClassicSpeed;
    const double g = std::clamp(gnomeSpeed, -1.0, 1.0);
    const double classic = kDefaultClassicSpeed + (g <= 0 ? 9.0 * g : 10.0 * g);
    return std::clamp(static_cast<int>(std::lround(classic)), kMinClassicSpeed, kMaxClassicSpeed);
}

bool PrecisionForGnomeAccelProfile(std::string_view profile) {
    return profile != kGnomeAccelFlat;
}

std::string_view GnomeAccelProfileFor(const MouseParameters& parameters,
                                      std::string_view currentProfile) {
    if (parameters.acceleration == 0) return kGnomeAccelFlat;
    return currentProfile == kGnomeAccelDefault ? kGnomeAccelDefault : kGnomeAccelAdaptive;
}

int SliderPosition(const SettingsImage& image, PointerSlider slider) {
    switch (slider) {
        case PointerSlider::Speed:
            return ClampPosition(image.pointerSpeed());
        case PointerSlider::ScrollLines:
            return PositionForWheelLines(image.scrollLines());
        case PointerSlider::DoubleClick:
            break;
    }
    return ClampPosition(image.doubleClickSpeed());
}

bool PrecisionTicked(const SettingsImage& image) {
    return image.enhancedPointerPrecision() == 1;
}
bool ScreenScrollTicked(const SettingsImage& image) {
    return image.scrollOnePage() != 0;
}

void ReadPointerSettings(PointerSettings& desktop, SettingsImage& image, MessageSink& messages) {
    // What the desktop does not have is shown as stored, but inside the ranges,
    // so that the ticks toggle and the sliders light as they should.
    image.enhancedPointerPrecision() = PrecisionTicked(image) ? 1 : 0;
    image.scrollOnePage() = ScreenScrollTicked(image) ? 1 : 0;
    for (const PointerSlider s :
         {PointerSlider::Speed, PointerSlider::ScrollLines, PointerSlider::DoubleClick}) {
        Field(image, s) = static_cast<std::uint8_t>(SliderPosition(image, s));
    }

    if (desktop.Has(PointerOption::Precision)) {
        // A failed read is silent and leaves the tick off.
        const auto parameters = desktop.GetMouseParameters();
        image.enhancedPointerPrecision() = parameters && parameters->acceleration != 0 ? 1 : 0;
    }
    if (desktop.Has(PointerOption::Speed)) {
        if (const auto speed = desktop.GetSpeed()) {
            image.pointerSpeed() = static_cast<std::uint8_t>(PositionForClassicSpeed(*speed));
        } else {
            Warn(messages, kGetSpeedFailed);
        }
    }
    if (desktop.Has(PointerOption::WheelLines)) {
        if (const auto lines = desktop.GetWheelScrollLines()) {
            const bool byScreen = *lines == kScrollByScreen;
            image.scrollOnePage() = byScreen ? 1 : 0;
            image.scrollLines() =
                static_cast<std::uint8_t>(byScreen ? 0 : PositionForWheelLines(*lines));
        } else {
            Warn(messages, kGetWheelLinesFailed);
        }
    }
    if (desktop.Has(PointerOption::DoubleClick)) {
        const auto ms = desktop.GetDoubleClickTime();
        if (ms && *ms != 0) {
            image.doubleClickSpeed() = static_cast<std::uint8_t>(PositionForDoubleClickTime(*ms));
        } else {
            Warn(messages, kGetDoubleClickFailed);
        }
    }
}

bool SetPointerSlider(SettingsImage& image, PointerSlider slider, int position) {
    const int low = slider == PointerSlider::ScrollLines ? 0 : 1;
    const auto value = static_cast<std::uint8_t>(std::clamp(position, low, kSliderPositions));
    std::uint8_t& field = Field(image, slider);
    if (field == value) return false;
    field = value;
    return true;
}

void TogglePrecision(SettingsImage& image) {
    image.enhancedPointerPrecision() = PrecisionTicked(image) ? 0 : 1;
}

void ToggleScreenScroll(SettingsImage& image) {
    image.scrollOnePage() = ScreenScrollTicked(image) ? 0 : 1;
}

void ApplyPointerSettings(PointerSettings& desktop, const SettingsImage& image,
                          MessageSink& messages) {
    const int lines = ScreenScrollTicked(image) ? kScrollByScreen
                                                : SliderPosition(image, PointerSlider::ScrollLines);
    Write(desktop, messages, PrecisionTicked(image) ? kPrecisionOn : kPrecisionOff,
          ClassicSpeedForPosition(SliderPosition(image, PointerSlider::Speed)), lines,
          DoubleClickTimeForPosition(SliderPosition(image, PointerSlider::DoubleClick)));
}

void RestorePointerDefaults(SettingsImage& image) {
    image.enhancedPointerPrecision() = 0;
    image.scrollOnePage() = 0;
    image.pointerSpeed() = 6;
    image.scrollLines() = 3;
    image.doubleClickSpeed() = 6;
}

void RestorePointerDefaults(PointerSettings& desktop, SettingsImage& image, MessageSink& messages) {
    Write(desktop, messages, kPrecisionOff, kDefaultClassicSpeed, kDefaultWheelLines,
          kDefaultDoubleClickMs);
    RestorePointerDefaults(image);
}

}  // namespace ornyx::performance

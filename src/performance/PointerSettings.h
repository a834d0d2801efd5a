#pragma once

// The desktop's pointer options as the Advanced page edits them: pointer speed,
// wheel scroll lines (or one screen per notch), double-click time and enhanced
// pointer precision.
//
// The page and config.bin keep these in the units the program has always used
// (the classic system values): a pointer speed of 1..20, a number of wheel lines
// or -1 for a screen per notch, a double-click time in milliseconds and the
// three mouse parameters (6, 10, 1) for enhanced precision or (0, 0, 0) without.
// A desktop backend translates them into its own settings; the translation for
// GNOME is here too, so that it is tested without the desktop.

#include <cstdint>
#include <optional>
#include <string_view>

#include "common/MessageSink.h"
#include "settings/SettingsImage.h"

namespace ornyx::performance {

// ---- Classic values and the page's slider positions -------------------------------

// The three mouse parameters: two thresholds and the acceleration. Only the
// acceleration tells whether enhanced precision is on.
struct MouseParameters {
    int threshold1 = 0;
    int threshold2 = 0;
    int acceleration = 0;
    bool operator==(const MouseParameters&) const = default;
};
inline constexpr MouseParameters kPrecisionOn{6, 10, 1};
inline constexpr MouseParameters kPrecisionOff{0, 0, 0};

inline constexpr int kMinClassicSpeed = 1;
inline constexpr int kMaxClassicSpeed = 20;
// Wheel lines value meaning "one screen per notch".
inline constexpr int kScrollByScreen = -1;

// The sliders have positions 1..11; the scroll-lines slider also 0 (nothing
// lit), which is what scrolling by screens shows.
inline constexpr int kSliderPositions = 11;

// Every function below keeps its result inside the slider's range (or the
// classic value's range), whatever it is given: values come from the desktop
// and from a hand-editable config.bin.

// Position 1 is speed 1, position p >= 2 speed 2p - 2 (1, 2, 4, 6 ... 20).
int ClassicSpeedForPosition(int position);
// Speed v shows position v div 2 + 1.
int PositionForClassicSpeed(int speed);
// Position p is 970 - 70p ms (900 ms at 1 ... 200 ms at 11).
int DoubleClickTimeForPosition(int position);
// (900 - ms) div 70 + 1; times above 900 ms show 1, below 200 ms show 11.
int PositionForDoubleClickTime(int milliseconds);
// Lines beyond the slider show as 11; negative values other than
// kScrollByScreen as 0.
int PositionForWheelLines(int lines);

// ---- GNOME ---------------------------------------------------------------------------
//
// GNOME (org.gnome.desktop.peripherals.mouse) has a pointer speed from -1 to 1
// with 0 as its default, an acceleration profile and a double-click time in
// milliseconds. It has no wheel scroll lines.
//
// Pointer speed: the classic scale's default 10 is GNOME's default 0, and the
// two ends meet the two ends, linearly on each side:
//     speed <= 10:  gnome = (speed - 10) / 9     (1 -> -1)
//     speed >= 10:  gnome = (speed - 10) / 10    (20 -> 1)
// and back to the nearest classic speed. Every classic speed survives the way
// there and back unchanged, so every slider position does too; a GNOME value
// between two classic speeds moves to the nearer one on the first Apply and
// stays there.
//
// Precision: "flat" is without enhanced precision; "adaptive" is with it, and
// so is "default" (libinput's default profile for mice is adaptive). Writing
// precision on keeps "default" as it is, so that an Apply that changes nothing
// changes nothing on the desktop either.
//
// Double-click time: the same milliseconds on both sides.
double GnomeSpeedForClassic(int speed);
int ClassicSpeedForGnome(double gnomeSpeed);

inline constexpr std::string_view kGnomeAccelDefault = "default";
inline constexpr std::string_view kGnomeAccelFlat = "flat";
inline constexpr std::string_view kGnomeAccelAdaptive = "adaptive";
bool PrecisionForGnomeAccelProfile(std::string_view profile);
// The profile to write for `parameters`, given the desktop's current one.
std::string_view GnomeAccelProfileFor(const MouseParameters& parameters,
                                      std::string_view currentProfile);

// ---- The desktop -----------------------------------------------------------------------

enum class PointerOption { Precision, Speed, WheelLines, DoubleClick };

// One desktop's pointer settings in classic values. An option the desktop does
// not have (Has() false) is never asked for; a getter returns nullopt and a
// setter false only for a real failure.
class PointerSettings {
public:
    virtual ~PointerSettings() = default;
    virtual bool Has(PointerOption option) const = 0;

    virtual std::optional<MouseParameters> GetMouseParameters() = 0;
    virtual std::optional<int> GetSpeed() = 0;
    virtual std::optional<int> GetWheelScrollLines() = 0;
    // 0 counts as a failure, as the system call that this replaces reported it.
    virtual std::optional<int> GetDoubleClickTime() = 0;

    virtual bool SetMouseParameters(const MouseParameters& parameters) = 0;
    virtual bool SetSpeed(int speed) = 0;
    virtual bool SetWheelScrollLines(int lines) = 0;
    virtual bool SetDoubleClickTime(int milliseconds) = 0;
};

// A session whose desktop settings the program cannot reach: it has none of
// the options, so the page keeps what config.bin holds and nothing is written.
class NoDesktopPointerSettings final : public PointerSettings {
public:
    bool Has(PointerOption) const override { return false; }
    std::optional<MouseParameters> GetMouseParameters() override { return std::nullopt; }
    std::optional<int> GetSpeed() override { return std::nullopt; }
    std::optional<int> GetWheelScrollLines() override { return std::nullopt; }
    std::optional<int> GetDoubleClickTime() override { return std::nullopt; }
    bool SetMouseParameters(const MouseParameters&) override { return false; }
    bool SetSpeed(int) override { return false; }
    bool SetWheelScrollLines(int) override { return false; }
    bool SetDoubleClickTime(int) override { return false; }
};

// ---- The page's operations on the settings image ---------------------------------------

// Messages, each with the caption kPointerWarningCaption.
inline constexpr std::string_view kPointerWarningCaption = "Warning";
inline constexpr std::string_view kGetSpeedFailed = "GETMOUSESPEED failed.";
inline constexpr std::string_view kGetWheelLinesFailed = "GETWHEELSCROLLLINES failed.";
inline constexpr std::string_view kGetDoubleClickFailed = "GetDoubleClickTime failed.";
inline constexpr std::string_view kSetMouseFailed = "SETMOUSE failed.";
inline constexpr std::string_view kSetSpeedFailed = "SETMOUSESPEED failed.";
inline constexpr std::string_view kSetWheelLinesFailed = "SETWHEELSCROLLLINES failed.";
inline constexpr std::string_view kSetDoubleClickFailed = "SPI_SETDOUBLECLICKTIME failed.";

enum class PointerSlider { Speed = 0, ScrollLines = 1, DoubleClick = 2 };

// The slider's stored position, kept inside its range (1..11; 0..11 for the
// scroll lines) whatever the image holds.
int SliderPosition(const settings::SettingsImage& image, PointerSlider slider);
bool PrecisionTicked(const settings::SettingsImage& image);
bool ScreenScrollTicked(const settings::SettingsImage& image);

// Fills the five pointer fields from the desktop. Options the desktop does not
// have keep their stored values (brought inside their ranges).
void ReadPointerSettings(PointerSettings& desktop, settings::SettingsImage& image,
                         MessageSink& messages);
// Stores a slider position (clamped to the slider's range); true when it changed.
bool SetPointerSlider(settings::SettingsImage& image, PointerSlider slider, int position);
void TogglePrecision(settings::SettingsImage& image);
void ToggleScreenScroll(settings::SettingsImage& image);
// Writes the four options to the desktop, in this order: mouse parameters,
// speed, wheel lines, double-click time. A failure is shown and the next
// option is still written.
void ApplyPointerSettings(PointerSettings& desktop, const settings::SettingsImage& image,
                          MessageSink& messages);
// The pointer options' default positions in the image (enhanced precision,
// one page, speed, scroll lines, double-click speed).
void RestorePointerDefaults(settings::SettingsImage& image);
// Writes the defaults at once (precision off, speed 10, 3 lines, 500 ms) and
// resets the page: ticks off, positions 6, 3 and 6.
void RestorePointerDefaults(PointerSettings& desktop, settings::SettingsImage& image,
                            MessageSink& messages);

}  // namespace ornyx::performance

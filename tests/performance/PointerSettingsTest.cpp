#include "performance/PointerSettings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

namespace ornyx::performance {
namespace {

using settings::SettingsImage;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(PointerMappingTest, EverySpeedPositionSurvivesTheWayThroughGnome) {
    std::vector<int> written;
    for (int p = 1; p <= kSliderPositions; ++p) {
        const int classic = ClassicSpeedForPosition(p);
        written.push_back(classic);
        const double gnome = GnomeSpeedForClassic(classic);
        EXPECT_GE(gnome, -1.0) << p;
        EXPECT_LE(gnome, 1.0) << p;
        EXPECT_EQ(ClassicSpeedForGnome(gnome), classic) << p;
        EXPECT_EQ(PositionForClassicSpeed(ClassicSpeedForGnome(gnome)), p) << p;
    }
    EXPECT_EQ(written, (std::vector<int>{1, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20}));
    // The ends meet the ends and the classic default is GNOME's default.
    EXPECT_DOUBLE_EQ(GnomeSpeedForClassic(ClassicSpeedForPosition(1)), -1.0);
    EXPECT_DOUBLE_EQ(GnomeSpeedForClassic(ClassicSpeedForPosition(6)), 0.0);
    EXPECT_DOUBLE_EQ(GnomeSpeedForClassic(ClassicSpeedForPosition(11)), 1.0);
}

TEST(PointerMappingTest, EveryClassicSpeedSurvivesAndAnyGnomeSpeedSettlesAfterOneTrip) {
    for (int classic = kMinClassicSpeed; classic <= kMaxClassicSpeed; ++classic) {
        EXPECT_EQ(ClassicSpeedForGnome(GnomeSpeedForClassic(classic)), classic);
    }
    // A value set elsewhere lands on the nearest classic speed, and from
    // there on nothing moves.
    for (int i = -100; i <= 100; ++i) {
        const double gnome = i / 100.0;
        const int classic = ClassicSpeedForGnome(gnome);
        const double once = GnomeSpeedForClassic(classic);
        EXPECT_LE(std::abs(once - gnome), 0.0556) << gnome;
        EXPECT_EQ(ClassicSpeedForGnome(once), classic) << gnome;
    }
    EXPECT_EQ(ClassicSpeedForGnome(5.0), 20);
    EXPECT_EQ(ClassicSpeedForGnome(-7.5), 1);
    EXPECT_EQ(ClassicSpeedForGnome(std::nan("")), 10);
}

TEST(PointerMappingTest, ClassicSpeedsShowAndWriteBackAsThePageAlwaysDid) {
    EXPECT_EQ(PositionForClassicSpeed(10), 6);
    EXPECT_EQ(ClassicSpeedForPosition(6), 10);
    EXPECT_EQ(PositionForClassicSpeed(7), 4);
    EXPECT_EQ(ClassicSpeedForPosition(4), 6);
    // Outside 1..20 in, outside 1..11 in: kept inside.
    EXPECT_EQ(PositionForClassicSpeed(0), 1);
    EXPECT_EQ(PositionForClassicSpeed(-30), 1);
    EXPECT_EQ(PositionForClassicSpeed(25), 11);
    EXPECT_EQ(ClassicSpeedForPosition(0), 1);
    EXPECT_EQ(ClassicSpeedForPosition(200), 20);
}

TEST(PointerMappingTest, EveryDoubleClickPositionSurvivesAndOddTimesAreClamped) {
    for (int p = 1; p <= kSliderPositions; ++p) {
        const int ms = DoubleClickTimeForPosition(p);
        EXPECT_EQ(ms, 970 - 70 * p);
        EXPECT_EQ(PositionForDoubleClickTime(ms), p) << ms;
    }
    EXPECT_EQ(PositionForDoubleClickTime(500), 6);
    EXPECT_EQ(DoubleClickTimeForPosition(6), 550);
    EXPECT_EQ(PositionForDoubleClickTime(900), 1);
    EXPECT_EQ(PositionForDoubleClickTime(950), 1);
    EXPECT_EQ(PositionForDoubleClickTime(5000), 1);  // the plain formula gives 0 or less here
    EXPECT_EQ(PositionForDoubleClickTime(199), 11);
    EXPECT_EQ(PositionForDoubleClickTime(1), 11);  // and 12 here
    EXPECT_EQ(DoubleClickTimeForPosition(0), 900);
    EXPECT_EQ(DoubleClickTimeForPosition(99), 200);
    EXPECT_EQ(PositionForWheelLines(3), 3);
    EXPECT_EQ(PositionForWheelLines(100), 11);
    EXPECT_EQ(PositionForWheelLines(-7), 0);
}

TEST(PointerMappingTest, AccelerationProfiles) {
    EXPECT_FALSE(PrecisionForGnomeAccelProfile("flat"));
    EXPECT_TRUE(PrecisionForGnomeAccelProfile("adaptive"));
    EXPECT_TRUE(PrecisionForGnomeAccelProfile("default"));
    EXPECT_EQ(GnomeAccelProfileFor(kPrecisionOff, "default"), "flat");
    EXPECT_EQ(GnomeAccelProfileFor(kPrecisionOff, "adaptive"), "flat");
    EXPECT_EQ(GnomeAccelProfileFor(kPrecisionOn, "flat"), "adaptive");
    EXPECT_EQ(GnomeAccelProfileFor(kPrecisionOn, "adaptive"), "adaptive");
    EXPECT_EQ(GnomeAccelProfileFor(kPrecisionOn, "default"), "default");
}

// A desktop that answers from fields, records every write and can be told to
// fail or to lack options.
class FakeDesktop final : public PointerSettings {
public:
    std::set<PointerOption> missing;
    std::set<std::string> failing;  // "mouse", "speed", "lines", "double-click"
    MouseParameters mouse = kPrecisionOn;
    int speed = 10;
    int lines = 3;
    int doubleClick = 500;
    std::vector<std::string> writes;

    bool Has(PointerOption option) const override { return missing.count(option) == 0; }
    std::optional<MouseParameters> GetMouseParameters() override {
        return Fails("mouse") ? std::nullopt : std::optional(mouse);
    }
    std::optional<int> GetSpeed() override {
        return Fails("speed") ? std::nullopt : std::optional(speed);
    }
    std::optional<int> GetWheelScrollLines() override {
        return Fails("lines") ? std::nullopt : std::optional(lines);
    }
    std::optional<int> GetDoubleClickTime() override {
        return Fails("double-click") ? std::nullopt : std::optional(doubleClick);
    }
    bool SetMouseParameters(const MouseParameters& p) override {
        return Record("mouse", std::to_string(p.threshold1) + "," + std::to_string(p.threshold2) +
                                   "," + std::to_string(p.acceleration));
    }
    bool SetSpeed(int v) override { return Record("speed", std::to_string(v)); }
    bool SetWheelScrollLines(int v) override { return Record("lines", std::to_string(v)); }
    bool SetDoubleClickTime(int v) override { return Record("double-click", std::to_string(v)); }

private:
    bool Fails(const std::string& what) const { return failing.count(what) != 0; }
    bool Record(const std::string& what, const std::string& value) {
        writes.push_back(what + "=" + value);
        return !Fails(what);
    }
};

std::vector<std::string> Texts(const RecordingMessageSink& sink) {
    std::vector<std::string> texts;
    for (const auto& m : sink.messages) {
        EXPECT_EQ(m.caption, "Warning");
        texts.push_back(m.text);
    }
    return texts;
}

TEST(PointerPageTest, ReadsTheDesktopIntoTheImage) {
    FakeDesktop desktop;
    desktop.speed = 7;
    desktop.lines = 5;
    desktop.doubleClick = 500;
    SettingsImage image;
    RecordingMessageSink messages;
    ReadPointerSettings(desktop, image, messages);
    EXPECT_EQ(image.enhancedPointerPrecision(), 1);
    EXPECT_EQ(image.pointerSpeed(), 4);
    EXPECT_EQ(image.scrollOnePage(), 0);
    EXPECT_EQ(image.scrollLines(), 5);
    EXPECT_EQ(image.doubleClickSpeed(), 6);
    EXPECT_THAT(messages.messages, IsEmpty());

    // Scrolling by screens: the tick on and nothing lit.
    desktop.lines = kScrollByScreen;
    desktop.mouse = {3, 4, 0};
    ReadPointerSettings(desktop, image, messages);
    EXPECT_EQ(image.scrollOnePage(), 1);
    EXPECT_EQ(image.scrollLines(), 0);
    EXPECT_EQ(image.enhancedPointerPrecision(), 0);
    EXPECT_THAT(desktop.writes, IsEmpty());
}

TEST(PointerPageTest, ReadFailuresAreShownExceptTheMouseParameters) {
    FakeDesktop desktop;
    desktop.failing = {"mouse", "speed", "lines"};
    desktop.doubleClick = 0;  // the old call's way of failing
    SettingsImage image;
    image.enhancedPointerPrecision() = 1;
    image.pointerSpeed() = 9;
    RecordingMessageSink messages;
    ReadPointerSettings(desktop, image, messages);
    EXPECT_THAT(Texts(messages), ElementsAre("GETMOUSESPEED failed.", "GETWHEELSCROLLLINES failed.",
                                             "GetDoubleClickTime failed."));
    EXPECT_EQ(image.enhancedPointerPrecision(), 0);  // silent, tick off
    EXPECT_EQ(image.pointerSpeed(), 9);              // kept
}

TEST(PointerPageTest, OptionsTheDesktopLacksAreNeitherReadNorWrittenAndStayInRange) {
    FakeDesktop desktop;
    desktop.missing = {PointerOption::WheelLines};
    desktop.failing = {"lines"};  // would show a message if it were asked
    SettingsImage image;
    image.scrollOnePage() = 7;  // hand-edited config.bin
    image.scrollLines() = 40;
    RecordingMessageSink messages;
    ReadPointerSettings(desktop, image, messages);
    EXPECT_THAT(messages.messages, IsEmpty());
    EXPECT_EQ(image.scrollOnePage(), 1);
    EXPECT_EQ(image.scrollLines(), 11);

    ApplyPointerSettings(desktop, image, messages);
    RestorePointerDefaults(desktop, image, messages);
    for (const auto& w : desktop.writes) EXPECT_EQ(w.rfind("lines=", 0), std::string::npos) << w;
    EXPECT_THAT(messages.messages, IsEmpty());

    // A session without desktop settings: nothing at all, values kept.
    NoDesktopPointerSettings none;
    image.pointerSpeed() = 0;
    image.doubleClickSpeed() = 250;
    ReadPointerSettings(none, image, messages);
    ApplyPointerSettings(none, image, messages);
    EXPECT_EQ(image.pointerSpeed(), 1);
    EXPECT_EQ(image.doubleClickSpeed(), 11);
    EXPECT_THAT(messages.messages, IsEmpty());
}

TEST(PointerPageTest, ApplyWritesInOrderAndGoesOnAfterFailures) {
    FakeDesktop desktop;
    SettingsImage image;
    image.enhancedPointerPrecision() = 1;
    image.pointerSpeed() = 1;
    image.scrollOnePage() = 0;
    image.scrollLines() = 7;
    image.doubleClickSpeed() = 6;
    RecordingMessageSink messages;
    ApplyPointerSettings(desktop, image, messages);
    EXPECT_THAT(desktop.writes,
                ElementsAre("mouse=6,10,1", "speed=1", "lines=7", "double-click=550"));
    EXPECT_THAT(messages.messages, IsEmpty());

    // One screen per notch whatever the slider shows; every failure is shown.
    desktop.writes.clear();
    desktop.failing = {"mouse", "speed", "lines", "double-click"};
    image.scrollOnePage() = 1;
    image.enhancedPointerPrecision() = 0;
    image.pointerSpeed() = 11;
    ApplyPointerSettings(desktop, image, messages);
    EXPECT_THAT(desktop.writes,
                ElementsAre("mouse=0,0,0", "speed=20", "lines=-1", "double-click=550"));
    EXPECT_THAT(Texts(messages),
                ElementsAre("SETMOUSE failed.", "SETMOUSESPEED failed.",
                            "SETWHEELSCROLLLINES failed.", "SPI_SETDOUBLECLICKTIME failed."));
}

TEST(PointerPageTest, DefaultWritesTheDefaultsAtOnceAndResetsThePage) {
    FakeDesktop desktop;
    SettingsImage image;
    image.enhancedPointerPrecision() = 1;
    image.scrollOnePage() = 1;
    image.pointerSpeed() = 2;
    image.scrollLines() = 9;
    image.doubleClickSpeed() = 1;
    RecordingMessageSink messages;
    RestorePointerDefaults(desktop, image, messages);
    EXPECT_THAT(desktop.writes,
                ElementsAre("mouse=0,0,0", "speed=10", "lines=3", "double-click=500"));
    EXPECT_EQ(image.enhancedPointerPrecision(), 0);
    EXPECT_EQ(image.scrollOnePage(), 0);
    EXPECT_EQ(image.pointerSpeed(), 6);
    EXPECT_EQ(image.scrollLines(), 3);
    EXPECT_EQ(image.doubleClickSpeed(), 6);
    // The slider then shows 6, which the next Apply writes as 550 ms.
    desktop.writes.clear();
    ApplyPointerSettings(desktop, image, messages);
    EXPECT_EQ(desktop.writes.back(), "double-click=550");
}

TEST(PointerPageTest, SlidersAndTicksEditTheImage) {
    SettingsImage image;
    image.pointerSpeed() = 6;
    EXPECT_TRUE(SetPointerSlider(image, PointerSlider::Speed, 1));
    EXPECT_FALSE(SetPointerSlider(image, PointerSlider::Speed, 1));
    EXPECT_EQ(image.pointerSpeed(), 1);
    EXPECT_TRUE(SetPointerSlider(image, PointerSlider::DoubleClick, 30));
    EXPECT_EQ(image.doubleClickSpeed(), 11);
    EXPECT_TRUE(SetPointerSlider(image, PointerSlider::DoubleClick, 0));
    EXPECT_EQ(image.doubleClickSpeed(), 1);
    SetPointerSlider(image, PointerSlider::ScrollLines, 0);
    EXPECT_EQ(image.scrollLines(), 0);

    image.enhancedPointerPrecision() = 0;
    TogglePrecision(image);
    EXPECT_EQ(image.enhancedPointerPrecision(), 1);
    TogglePrecision(image);
    EXPECT_EQ(image.enhancedPointerPrecision(), 0);
    image.scrollOnePage() = 0;
    ToggleScreenScroll(image);
    EXPECT_EQ(image.scrollOnePage(), 1);
    ToggleScreenScroll(image);
    EXPECT_EQ(image.scrollOnePage(), 0);
}

}  // namespace
}  // namespace ornyx::performance

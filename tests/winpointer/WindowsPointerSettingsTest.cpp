#include "performance/windows/WindowsPointerSettings.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>

namespace ornyx::performance::windows {
namespace {

using settings::SettingsImage;

// The user's stored mouse settings, where only the double-click time may land.
std::optional<std::wstring> StoredMouseValue(const wchar_t* name) {
    wchar_t buffer[64] = {};
    DWORD size = sizeof(buffer);
    if (RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Mouse", name, RRF_RT_REG_SZ, nullptr,
                     buffer, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(buffer);
}

// Each test changes the system's pointer settings; they are put back after it,
// so that the suites sharing the prefix see what they started with.
class WindowsPointerTest : public ::testing::Test {
protected:
    void SetUp() override {
        desktop_ = CreateDesktopPointerSettings();
        saved_.parameters = desktop_->GetMouseParameters();
        saved_.speed = desktop_->GetSpeed();
        saved_.lines = desktop_->GetWheelScrollLines();
        saved_.doubleClick = desktop_->GetDoubleClickTime();
        ASSERT_TRUE(saved_.parameters && saved_.speed && saved_.lines && saved_.doubleClick)
            << "the system's pointer settings cannot be read";
    }
    void TearDown() override {
        if (saved_.parameters) desktop_->SetMouseParameters(*saved_.parameters);
        if (saved_.speed) desktop_->SetSpeed(*saved_.speed);
        if (saved_.lines) desktop_->SetWheelScrollLines(*saved_.lines);
        if (saved_.doubleClick) desktop_->SetDoubleClickTime(*saved_.doubleClick);
    }

    std::unique_ptr<PointerSettings> desktop_;
    struct {
        std::optional<MouseParameters> parameters;
        std::optional<int> speed, lines, doubleClick;
    } saved_;
};

TEST_F(WindowsPointerTest, EveryOptionReadsBackWhatWasWritten) {
    for (PointerOption o : {PointerOption::Precision, PointerOption::Speed,
                            PointerOption::WheelLines, PointerOption::DoubleClick}) {
        EXPECT_TRUE(desktop_->Has(o));
    }
    ASSERT_TRUE(desktop_->SetMouseParameters(kPrecisionOn));
    EXPECT_EQ(desktop_->GetMouseParameters(), kPrecisionOn);
    ASSERT_TRUE(desktop_->SetMouseParameters(kPrecisionOff));
    EXPECT_EQ(desktop_->GetMouseParameters(), kPrecisionOff);

    for (int speed : {1, 6, 20}) {
        ASSERT_TRUE(desktop_->SetSpeed(speed));
        EXPECT_EQ(desktop_->GetSpeed(), speed);
    }
    ASSERT_TRUE(desktop_->SetWheelScrollLines(7));
    EXPECT_EQ(desktop_->GetWheelScrollLines(), 7);
    // One screen per notch is WHEEL_PAGESCROLL on the system and -1 here.
    ASSERT_TRUE(desktop_->SetWheelScrollLines(kScrollByScreen));
    EXPECT_EQ(desktop_->GetWheelScrollLines(), kScrollByScreen);

    ASSERT_TRUE(desktop_->SetDoubleClickTime(550));
    EXPECT_EQ(desktop_->GetDoubleClickTime(), 550);
}

TEST_F(WindowsPointerTest, OnlyTheDoubleClickTimeIsStoredInTheUsersProfile) {
    const auto storedSpeed = StoredMouseValue(L"MouseSensitivity");
    const auto storedLines = StoredMouseValue(L"WheelScrollLines");
    ASSERT_TRUE(desktop_->SetSpeed(*saved_.speed == 14 ? 12 : 14));
    ASSERT_TRUE(desktop_->SetWheelScrollLines(*saved_.lines == 9 ? 8 : 9));
    EXPECT_EQ(StoredMouseValue(L"MouseSensitivity"), storedSpeed);
    EXPECT_EQ(StoredMouseValue(L"WheelScrollLines"), storedLines);

    ASSERT_TRUE(desktop_->SetDoubleClickTime(620));
    EXPECT_EQ(StoredMouseValue(L"DoubleClickSpeed"), std::wstring(L"620"));
}

TEST_F(WindowsPointerTest, ValuesNoSystemCallTakesAreRefusedWithoutChangingAnything) {
    ASSERT_TRUE(desktop_->SetSpeed(8));
    EXPECT_FALSE(desktop_->SetSpeed(0));
    EXPECT_FALSE(desktop_->SetSpeed(21));
    EXPECT_EQ(desktop_->GetSpeed(), 8);
    ASSERT_TRUE(desktop_->SetWheelScrollLines(4));
    EXPECT_FALSE(desktop_->SetWheelScrollLines(-5));
    EXPECT_EQ(desktop_->GetWheelScrollLines(), 4);
    ASSERT_TRUE(desktop_->SetDoubleClickTime(480));
    EXPECT_FALSE(desktop_->SetDoubleClickTime(0));
    EXPECT_FALSE(desktop_->SetDoubleClickTime(-300));
    EXPECT_EQ(desktop_->GetDoubleClickTime(), 480);
}

// The Advanced page's operations over the real system calls.
TEST_F(WindowsPointerTest, ThePageShowsAndWritesBackTheClassicValues) {
    ASSERT_TRUE(desktop_->SetMouseParameters(kPrecisionOn));
    ASSERT_TRUE(desktop_->SetSpeed(7));
    ASSERT_TRUE(desktop_->SetWheelScrollLines(5));
    ASSERT_TRUE(desktop_->SetDoubleClickTime(500));

    SettingsImage image;
    RecordingMessageSink messages;
    ReadPointerSettings(*desktop_, image, messages);
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_TRUE(PrecisionTicked(image));
    EXPECT_FALSE(ScreenScrollTicked(image));
    EXPECT_EQ(SliderPosition(image, PointerSlider::Speed), 4);
    EXPECT_EQ(SliderPosition(image, PointerSlider::ScrollLines), 5);
    EXPECT_EQ(SliderPosition(image, PointerSlider::DoubleClick), 6);

    // Speed 7 shows as position 4, which writes 6; 500 ms shows as 6, which writes 550 ms.
    TogglePrecision(image);
    ToggleScreenScroll(image);
    ApplyPointerSettings(*desktop_, image, messages);
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(desktop_->GetMouseParameters(), kPrecisionOff);
    EXPECT_EQ(desktop_->GetSpeed(), 6);
    // Scrolling by screens is written whatever the lines slider shows.
    EXPECT_EQ(desktop_->GetWheelScrollLines(), kScrollByScreen);
    EXPECT_EQ(desktop_->GetDoubleClickTime(), 550);

    RestorePointerDefaults(*desktop_, image, messages);
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(desktop_->GetMouseParameters(), kPrecisionOff);
    EXPECT_EQ(desktop_->GetSpeed(), 10);
    EXPECT_EQ(desktop_->GetWheelScrollLines(), 3);
    EXPECT_EQ(desktop_->GetDoubleClickTime(), 500);
}

}  // namespace
}  // namespace ornyx::performance::windows

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "device/DeviceState.h"
#include "performance/Dpi.h"

namespace ornyx::performance {
namespace {

using settings::SettingsImage;

SettingsImage LevelsOn(std::array<std::uint8_t, 4> steps, std::array<std::uint8_t, 4> enabled) {
    SettingsImage image;
    for (std::size_t level = 1; level <= 4; ++level) {
        image.dpiStep(level) = steps[level - 1];
        image.dpiEnabled(level) = enabled[level - 1];
    }
    return image;
}

// As the apply does: the table and level count go into the device state.
void BuildDpiTable(const SettingsImage& image, device::DeviceState& state) {
    const performance::DpiTable table = performance::BuildDpiTable(image, state.sensorTypeInUse);
    state.dpiTable = table.codes;
    state.dpiLevelCount = table.levelCount;
}

TEST(DpiListTest, EachSensorHasItsOwnStepsLabelsAndCodes) {
    struct Row {
        std::uint8_t sensor;
        std::size_t steps;
        std::uint8_t index;
        const char* label;
        std::uint8_t code;
    };
    // Spots where the lists differ or jump: the code gap after step 8 of
    // type 0, the 0x23 jump of type 1, type 2's even codes.
    for (const Row& r :
         {Row{0, 12, 7, "2000", 0x08}, Row{0, 12, 8, "2500", 0x25}, Row{0, 12, 11, "4000", 0x28},
          Row{1, 8, 0, "600", 0x01}, Row{1, 8, 5, "2000", 0x23}, Row{1, 8, 7, "3200", 0x25},
          Row{2, 8, 4, "1250", 0x0A}, Row{2, 8, 7, "2500", 0x2A}, Row{3, 8, 0, "400", 0x01},
          Row{3, 8, 7, "3200", 0x08}}) {
        SCOPED_TRACE(testing::Message() << "sensor " << int{r.sensor} << " index " << int{r.index});
        EXPECT_EQ(DpiStepCount(r.sensor), r.steps);
        EXPECT_EQ(DpiSteps(r.sensor).size(), r.steps);
        EXPECT_EQ(DpiLabel(r.sensor, r.index), r.label);
        EXPECT_EQ(DpiCode(r.sensor, r.index), r.code);
    }
}

TEST(DpiListTest, UnknownSensorShowsType0LabelsButNamesNoDpiAndSendsZero) {
    for (std::uint8_t sensor : {std::uint8_t{4}, std::uint8_t{0x7F}, std::uint8_t{0xFF}}) {
        ASSERT_EQ(DpiStepCount(sensor), 12u);
        for (std::size_t i = 0; i < 12; ++i) {
            EXPECT_EQ(DpiSteps(sensor)[i].label, DpiSteps(0)[i].label);
        }
        EXPECT_EQ(DpiLabel(sensor, 0), "");
        EXPECT_EQ(DpiLabel(sensor, 11), "");
        EXPECT_EQ(DpiCode(sensor, 3), 0x00);
        EXPECT_EQ(DpiCode(sensor, 0xFF), 0x00);
    }
}

// A config.bin saved with a 12-step sensor, used with an 8-step one.
TEST(DpiListTest, StepIndexBeyondTheListMeansTheLastStep) {
    for (std::uint8_t index : {std::uint8_t{8}, std::uint8_t{11}, std::uint8_t{12},
                               std::uint8_t{0x80}, std::uint8_t{0xFF}}) {
        SCOPED_TRACE(int{index});
        EXPECT_EQ(EffectiveDpiStep(1, index), 7u);
        EXPECT_EQ(DpiLabel(1, index), "3200");
        EXPECT_EQ(DpiCode(1, index), 0x25);
        EXPECT_EQ(DpiCode(2, index), 0x2A);
    }
    EXPECT_EQ(EffectiveDpiStep(0, 11), 11u);
    EXPECT_EQ(EffectiveDpiStep(0, 12), 11u);
    EXPECT_EQ(DpiLabel(0, 200), "4000");
    EXPECT_EQ(EffectiveDpiStep(9, 200), 11u);
}

TEST(DpiTableTest, LevelsCarryCodeAndOffBitWithFixedTail) {
    device::DeviceState state;
    state.sensorTypeInUse = 2;
    state.effect = {0x11, 0x22, 0x33};
    state.dpiTable.fill(0x55);

    BuildDpiTable(LevelsOn({4, 0, 7, 3}, {1, 0, 1, 0}), state);
    EXPECT_EQ(state.dpiLevelCount, 4);
    EXPECT_EQ(state.dpiTable,
              (std::array<std::uint8_t, 8>{0x0A, 0x82, 0x2A, 0x88, 0x80, 0x80, 0x80, 0x80}));
    EXPECT_EQ(state.effect.option2, 0x33);  // nothing else touched

    // A step set while the level is off still goes out off; any non-zero
    // enabled byte (hand-edited config.bin) counts as on.
    SettingsImage image = LevelsOn({0, 8, 8, 8}, {0, 2, 0x80, 0xFF});
    ASSERT_TRUE(SetDpiStep(image, 2, 1, 5));
    BuildDpiTable(image, state);
    EXPECT_EQ(state.dpiTable[0], 0x8A);
    EXPECT_EQ(state.dpiTable[1], 0x2A);
    EXPECT_EQ(state.dpiTable[3], 0x2A);
}

TEST(DpiTableTest, UsesTheSensorInUseAndStaysInsideItsTable) {
    device::DeviceState state;
    const SettingsImage image = LevelsOn({11, 0xFF, 0, 5}, {1, 1, 0, 1});

    state.sensorTypeInUse = 1;
    BuildDpiTable(image, state);
    EXPECT_EQ(state.dpiTable,
              (std::array<std::uint8_t, 8>{0x25, 0x25, 0x81, 0x23, 0x80, 0x80, 0x80, 0x80}));

    state.sensorTypeInUse = 0xC0;
    BuildDpiTable(image, state);
    EXPECT_EQ(state.dpiTable,
              (std::array<std::uint8_t, 8>{0x00, 0x00, 0x80, 0x00, 0x80, 0x80, 0x80, 0x80}));
}

TEST(DpiPanelTest, StepClicks) {
    SettingsImage image = LevelsOn({2, 2, 2, 2}, {1, 1, 1, 1});
    const SettingsImage before = image;
    // Steps 9..12 react only on the 12-step sensor; an unknown sensor draws
    // 12 steps but has no codes for them.
    EXPECT_FALSE(SetDpiStep(image, 1, 1, 9));
    EXPECT_FALSE(SetDpiStep(image, 5, 1, 12));
    EXPECT_FALSE(SetDpiStep(image, 0, 0, 1));
    EXPECT_FALSE(SetDpiStep(image, 0, 5, 1));
    EXPECT_FALSE(SetDpiStep(image, 0, 1, 0));
    EXPECT_FALSE(SetDpiStep(image, 0, 1, 13));
    EXPECT_EQ(image, before);

    EXPECT_TRUE(SetDpiStep(image, 0, 1, 12));
    EXPECT_EQ(image.dpiStep(1), 11);
    EXPECT_TRUE(SetDpiStep(image, 3, 2, 8));
    EXPECT_EQ(image.dpiStep(2), 7);
}

TEST(DpiPanelTest, LastLevelThatIsOnStaysOn) {
    SettingsImage image = LevelsOn({3, 6, 0, 0}, {1, 1, 0, 0});
    EXPECT_FALSE(ToggleDpiLevel(image, 0));
    EXPECT_FALSE(ToggleDpiLevel(image, 5));

    EXPECT_TRUE(ToggleDpiLevel(image, 1));
    EXPECT_EQ(image.dpiEnabled(1), 0);
    EXPECT_FALSE(ToggleDpiLevel(image, 2));
    EXPECT_EQ(image.dpiEnabled(2), 1);

    // Back on, with the step it had before.
    EXPECT_TRUE(ToggleDpiLevel(image, 1));
    EXPECT_EQ(image.dpiEnabled(1), 1);
    EXPECT_EQ(image.dpiStep(1), 3);
}

TEST(ReportRateTest, CodesPositionsAndHz) {
    const std::array<std::uint8_t, 4> codes{8, 4, 2, 1};
    const std::array<std::uint16_t, 4> hz{125, 250, 500, 1000};
    ASSERT_EQ(ReportRates().size(), 4u);
    for (std::size_t position = 1; position <= 4; ++position) {
        EXPECT_EQ(ReportRateCode(position), codes[position - 1]);
        EXPECT_EQ(ReportRatePosition(codes[position - 1]), position);
        EXPECT_EQ(ReportRateHz(codes[position - 1]), hz[position - 1]);
    }
    EXPECT_EQ(ReportRates()[3].label, "1000");
    EXPECT_EQ(ReportRateCode(0), 0);
    EXPECT_EQ(ReportRateCode(5), 0);
    for (std::uint8_t unknown :
         {std::uint8_t{0}, std::uint8_t{3}, std::uint8_t{0x10}, std::uint8_t{0xFF}}) {
        EXPECT_EQ(ReportRateHz(unknown), 0);
        EXPECT_EQ(ReportRatePosition(unknown), 4u);
    }
}

TEST(ReportRateTest, SelectingStoresTheCodeAndReportsThePositionShownBefore) {
    SettingsImage image;
    image.reportRate() = 4;
    EXPECT_EQ(SelectReportRate(image, 1), 2u);
    EXPECT_EQ(image.reportRate(), 8);
    EXPECT_EQ(SelectReportRate(image, 1), 1u);  // same position: nothing to redraw
    EXPECT_EQ(SelectReportRate(image, 9), 1u);
    EXPECT_EQ(image.reportRate(), 8);

    // An unknown code is shown at 1000 Hz; choosing 1000 Hz must not look
    // like a move (which would darken the position just lit).
    image.reportRate() = 0x33;
    EXPECT_EQ(SelectReportRate(image, 4), 4u);
    EXPECT_EQ(image.reportRate(), 1);
}

}  // namespace
}  // namespace ornyx::performance

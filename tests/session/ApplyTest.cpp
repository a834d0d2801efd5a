#include <gtest/gtest.h>

#include "common/Hex.h"
#include "device/Commands.h"
#include "session/Apply.h"
#include "session/Defaults.h"
#include "settings/Configuration.h"
#include "support/DeviceFixture.h"
#include "support/TempDir.h"

namespace ornyx::session {
namespace {

using device::DeviceState;
using settings::kConfigFileSize;
using settings::Mode;
using settings::ProgramPaths;
using settings::SettingsImage;
using settings::SettingsState;

// An apply against the simulated mouse, with its files in a temporary home.
struct ApplyFixture {
    explicit ApplyFixture(const device::sim::SimOptions& options = {}) : link(options) {
        paths = ProgramPaths::ForHome(dir.path());
        const auto init = InitProgramHome(paths);
        EXPECT_TRUE(init.failure.ok) << init.failure.error;
        text = i18n::LoadTextSettings(paths.text);
    }

    void Handshake() { SensorHandshake(link.transport, device); }
    void Apply() {
        link.trace.lines.clear();
        ApplySettings({link.transport, device, state, paths, text, link.messages, link.log});
    }

    // The bytes of the n-th "set-feature" frame with the given code.
    std::vector<std::uint8_t> Frame(int code, std::size_t nth = 0) const {
        std::size_t seen = 0;
        for (const auto& line : link.trace.Of("set-feature ")) {
            const auto bytes = *ParseHex(line.substr(12));
            if (bytes[1] == code && seen++ == nth) return bytes;
        }
        return {};
    }

    test::TempDir dir;
    test::SimLink link;
    ProgramPaths paths;
    SettingsState state;
    DeviceState device;
    i18n::TextSettings text;
};

TEST(ApplyTest, WireOrderPacingAndSavedFiles) {
    ApplyFixture f;
    f.state.image = DefaultSettingsImage();
    f.state.image.bytes[SettingsImage::kReserved1] = 0x5E;  // reserved bytes survive
    f.Handshake();
    f.Apply();

    const std::vector<int> expected = {0x01, 0x8D, 0x87, 0x87, 0x90, 0x90, 0x10, 0x10, 0x07, 0x07,
                                       0x0D, 0x11, 0x13, 0x13, 0x13, 0x13, 0x13, 0x13, 0x13, 0x13,
                                       0x13, 0x13, 0x13, 0x13, 0x93, 0x93, 0x93, 0x93, 0x93, 0x93,
                                       0x93, 0x93, 0x93, 0x93, 0x93, 0x93, 0x12, 0x12, 0x12, 0x12};
    EXPECT_EQ(f.link.trace.CommandCodes(), expected);
    EXPECT_EQ(f.link.trace.Of("write").size(), 59u);
    EXPECT_EQ(f.link.trace.Of("sleep 2").size(), 36u);
    EXPECT_EQ(f.link.trace.Of("sleep 3").size(), 59u);
    EXPECT_EQ(f.link.mouse->RejectedFrames(), 0);

    const auto file = test::ReadBytes(f.paths.config);
    ASSERT_EQ(file.size(), kConfigFileSize);
    EXPECT_EQ(file[0], 1);
    EXPECT_TRUE(
        std::equal(f.state.image.bytes.begin(), f.state.image.bytes.end(), file.begin() + 1));
    EXPECT_NE(test::ReadText(f.paths.text).find("Item6=DPI Loop"), std::string::npos);
}

TEST(ApplyTest, HandshakeSetsBitSixAndTakesTheSensorType) {
    ApplyFixture f({.sensorType = 2});
    f.Handshake();
    EXPECT_EQ(f.device.sensorTypeInUse, 2);
    const auto before = device::sim::SimMouse({.sensorType = 2}).Memory().sensor;
    const auto after = f.link.mouse->Memory().sensor;
    EXPECT_EQ(after[0], before[0]);
    EXPECT_EQ(after[1], before[1]);
    EXPECT_EQ(after[2], before[2]);
    EXPECT_EQ(after[3], before[3] | 0x40);
    EXPECT_EQ(f.link.trace.CommandCodes(), (std::vector<int>{0x83, 0x03}));
}

TEST(ApplyTest, AllZeroImageWritesBackWhatItRead) {
    ApplyFixture f;
    const auto before = f.link.mouse->Memory();
    f.Apply();  // no handshake: sensor type in use 0
    const auto after = f.link.mouse->Memory();
    // Lighting mode 0 writes effect settings and both setting banks back as read.
    EXPECT_EQ(after.effect, before.effect);
    EXPECT_EQ(after.settingBanks, before.settingBanks);
    EXPECT_EQ(after.dataBanks[0], before.dataBanks[0]);
    EXPECT_EQ(after.dataBanks[1], (std::array<std::uint8_t, 24>{}));  // black DPI colours
    EXPECT_EQ(after.reportRate, 0);
    // Step index 0, all off.
    EXPECT_EQ(after.dpiTable,
              (std::array<std::uint8_t, 8>{0x81, 0x81, 0x81, 0x81, 0x80, 0x80, 0x80, 0x80}));
    EXPECT_EQ(f.Frame(0x11), (std::vector<std::uint8_t>{0, 0x11, 4, 8, 0, 0, 0, 0, 0xE2}));
    // Every encoded slot is function 0 (left button); matrices 2 and 4 are zero.
    const std::array<std::uint8_t, 4> left = {0x01, 0x00, 0xF0, 0x00};
    for (std::size_t e = 0; e < 8; ++e) {
        EXPECT_TRUE(std::equal(left.begin(), left.end(), after.keyMatrices[0].begin() + 4 * e))
            << e;
    }
    EXPECT_EQ(after.keyMatrices[1], (std::array<std::uint8_t, 64>{}));
    EXPECT_EQ(after.keyMatrices[3], (std::array<std::uint8_t, 64>{}));
    EXPECT_EQ(after.keyMatrices[0][56], 0x01);
    EXPECT_EQ(after.keyMatrices[0][58], 0xF7);
    EXPECT_EQ(after.keyMatrices[2][62], 0xF8);
}

TEST(ApplyTest, LightingAndDpiComeFromTheImageAndTheReadValues) {
    ApplyFixture f({.sensorType = 2});
    f.Handshake();
    SettingsImage& image = f.state.image;
    image.lightingMode() = 2;  // Respiration
    image.respirationPeriod() = 3;
    image.respirationColourEffect() = 2;
    image.dpiStep(1) = 4;
    image.dpiEnabled(1) = 1;
    image.dpiStep(2) = 4;
    image.dpiEnabled(2) = 0;
    image.dpiColour(3)[1] = 0x7F;
    const auto read = f.link.mouse->Memory();
    f.Apply();
    EXPECT_EQ(f.Frame(0x0D), (std::vector<std::uint8_t>{0, 0x0D, 2, 4, 3, 0, 0, 0, 0xE9}));
    EXPECT_EQ(f.Frame(0x07, 0), (std::vector<std::uint8_t>{0, 0x07, 0, 2, 0xFA, 3, 0, 0, 0xF9}));
    // Bank 1 goes back exactly as read.
    const auto& b1 = read.settingBanks[1];
    EXPECT_EQ(f.Frame(0x07, 1),
              (std::vector<std::uint8_t>{
                  0, 0x07, 1, b1[0], b1[1], b1[2], 0, 0,
                  static_cast<std::uint8_t>(0xFF - 0x07 - 1 - b1[0] - b1[1] - b1[2])}));
    const auto after = f.link.mouse->Memory();
    EXPECT_EQ(after.dpiTable[0], 0x0A);
    EXPECT_EQ(after.dpiTable[1], 0x8A);
    EXPECT_EQ(after.dataBanks[1][7], 0x7F);
    EXPECT_EQ(after.dataBanks[0], read.dataBanks[0]);
}

TEST(ApplyTest, MacroSlotsAndKeyMatricesReachTheMouse) {
    ApplyFixture f;
    SettingsImage& image = f.state.image;
    for (std::size_t i = 1; i <= 12; ++i) image.macroSlot(i)[0] = static_cast<std::uint8_t>(i);
    image.macroSlot(12)[127] = 0xEE;
    image.function(Mode::A, 3) = 6;  // DPI switch, DPI Loop
    image.dpiVariant(Mode::A, 3) = 3;
    image.function(Mode::A, 4) = 15;  // key off
    image.function(Mode::A, 9) = 6;   // slots 8..11 never go out
    image.function(Mode::B, 0) = 14;  // Shift
    f.Apply();
    const auto after = f.link.mouse->Memory();
    for (std::size_t i = 0; i < 12; ++i) EXPECT_EQ(after.macroSlots[i][0], i + 1);
    EXPECT_EQ(after.macroSlots[11][127], 0xEE);
    // Slot 3 goes to entry 4 and slot 4 to entry 3.
    EXPECT_EQ(std::vector<std::uint8_t>(after.keyMatrices[0].begin() + 16,
                                        after.keyMatrices[0].begin() + 20),
              (std::vector<std::uint8_t>{0x07, 0x00, 0x03, 0x00}));
    EXPECT_EQ(std::vector<std::uint8_t>(after.keyMatrices[0].begin() + 12,
                                        after.keyMatrices[0].begin() + 16),
              (std::vector<std::uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(std::vector<std::uint8_t>(after.keyMatrices[0].begin() + 32,
                                        after.keyMatrices[0].begin() + 56),
              std::vector<std::uint8_t>(24, 0));
    EXPECT_EQ(
        std::vector<std::uint8_t>(after.keyMatrices[2].begin(), after.keyMatrices[2].begin() + 4),
        (std::vector<std::uint8_t>{0x08, 0x00, 0x02, 0x00}));
}

TEST(ApplyTest, LostMouseStopsTheSequenceButStillSavesFiles) {
    ApplyFixture f;
    f.link.connection.command.reset();  // the mouse stopped answering: every transfer fails
    f.state.image = DefaultSettingsImage();
    f.device.effect = {7, 8, 9};
    const ApplyResult r = ApplySettings(
        {f.link.transport, f.device, f.state, f.paths, f.text, f.link.messages, f.link.log});
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.step, "report rate");
    // Nothing after the failure ran: no zero replies stored or translated.
    EXPECT_EQ(f.device.effect.effect, 7);
    EXPECT_EQ(test::ReadBytes(f.paths.config)[0], 1);
}

TEST(ApplyTest, AnUnknownSensorTypeSendsNothingButTheFilesAreSaved) {
    ApplyFixture f({.sensorType = 0xFF});
    f.state.image = DefaultSettingsImage();
    f.Handshake();
    ASSERT_EQ(f.device.sensorTypeInUse, 0xFF);
    const auto before = f.link.mouse->Memory();
    f.link.trace.lines.clear();
    const ApplyResult r = ApplySettings(
        {f.link.transport, f.device, f.state, f.paths, f.text, f.link.messages, f.link.log});
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.transfer.ok());  // the mouse is fine; the refusal is ours
    EXPECT_NE(ApplyFailureText(r, false).find("sensor type 255"), std::string::npos)
        << ApplyFailureText(r, false);
    EXPECT_TRUE(f.link.trace.Of("set-feature ").empty());
    EXPECT_EQ(f.link.mouse->Memory().dpiTable, before.dpiTable);
    EXPECT_TRUE(r.saved);
    EXPECT_EQ(test::ReadBytes(f.paths.config)[0], 1);
}

TEST(ApplyTest, FailureTextsNameTheStep) {
    ApplyResult r = ApplyFailure({device::TransferFailure::Write, 0x12, 2, 1});
    EXPECT_EQ(ApplyFailureText(r, true), "the mouse stopped answering at key matrix 2");
    EXPECT_EQ(ApplyFailureText(r, false),
              "the mouse did not answer at key matrix 2 (write 0x12 (chunk 2) failed)");
    r = ApplyFailure({device::TransferFailure::BadReply, 0x93, 5, 0});
    EXPECT_EQ(ApplyFailureText(r, false),
              "the mouse gave an impossible reply at macro slot 5 read-back (reply to 0x93)");
    EXPECT_EQ(ApplyFailureText(ApplyResult{}, false), "");
}

}  // namespace
}  // namespace ornyx::session

// The pointer area of the Advanced page through the real window, on the
// simulated mouse, with GNOME's settings in a key file of the test's own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/AppContext.h"
#include "app/MainWindow.h"
#include "gui/LayoutPoints.h"
#include "performance/gnome/GnomePointerSettings.h"
#include "performance/ui/PointerControls.h"
#include "session/Defaults.h"
#include "support/TempDir.h"

namespace ornyx::app {
namespace {

namespace fs = std::filesystem;
using performance::ui::PointerCell;

// The value a key file holds for a key of GNOME's mouse settings, as written
// ("-1.0", "550", "'flat'"); empty when it holds none.
std::string Stored(const fs::path& keyfile, const std::string& key) {
    std::ifstream in(keyfile);
    bool inGroup = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line[0] == '[') {
            inGroup = line == "[org/gnome/desktop/peripherals/mouse]";
        } else if (inGroup && line.rfind(key + "=", 0) == 0) {
            return line.substr(key.size() + 1);
        }
    }
    return {};
}

// A desktop whose every read and write fails.
class BrokenDesktop final : public performance::PointerSettings {
public:
    bool Has(performance::PointerOption) const override { return true; }
    std::optional<performance::MouseParameters> GetMouseParameters() override {
        return std::nullopt;
    }
    std::optional<int> GetSpeed() override { return std::nullopt; }
    std::optional<int> GetWheelScrollLines() override { return std::nullopt; }
    std::optional<int> GetDoubleClickTime() override { return std::nullopt; }
    bool SetMouseParameters(const performance::MouseParameters&) override { return false; }
    bool SetSpeed(int) override { return false; }
    bool SetWheelScrollLines(int) override { return false; }
    bool SetDoubleClickTime(int) override { return false; }
};

struct PointerRig {
    PointerRig() {
        session::InitProgramHome(settings::ProgramPaths::ForHome(dir.path()));
        fs::copy(ORNYX_SKINS_DIR, dir.path() / "Skins", fs::copy_options::recursive);
        AppOptions options;
        options.home = dir.path().string();
        options.simulate = "";
        context = std::make_unique<AppContext>(options, messages);
        gnome.schemaDir = ORNYX_TEST_SCHEMA_DIR;
        gnome.keyfile = dir.path() / "desktop.ini";
        auto desktop = performance::gnome::CreateGnomePointerSettings(gnome);
        EXPECT_NE(desktop, nullptr);
        desktopView = desktop.get();
        context->SetPointerSettings(std::move(desktop));
        window = std::make_unique<CHidMouseDlg>(*context, /*tray=*/false);
    }
    void Start() {
        window->Start();
        Click(Centre(lw::kAdvancedPageButton));  // the Advanced page
    }
    void Click(QPoint p) { Click(p.x(), p.y()); }
    void Click(int x, int y) {
        QTest::mouseClick(window.get(), Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
        QApplication::processEvents();
    }
    void ClickCell(int row, int step) {
        const QRect r = PointerCell(row, step);
        Click(r.center().x(), r.center().y());
    }
    QRgb Pixel(const QPoint& p) const { return window->PageImage().pixel(p); }
    QRgb CellPixel(int row, int step) const { return Pixel(PointerCell(row, step).center()); }
    std::string Stored(const std::string& key) const { return app::Stored(gnome.keyfile, key); }
    settings::SettingsImage& image() { return context->settings.image; }

    test::TempDir dir;
    RecordingMessageSink messages;
    std::unique_ptr<AppContext> context;
    performance::gnome::GnomeSettingsOptions gnome;
    performance::PointerSettings* desktopView = nullptr;
    std::unique_ptr<CHidMouseDlg> window;
};

TEST(AdvancedPointerTest, SlowestSpeedAndApplyWriteGnomeSpeedMinusOne) {
    PointerRig rig;
    rig.Start();
    ASSERT_EQ(rig.window->CurrentPage(), CHidMouseDlg::kAdvancedPage);
    EXPECT_EQ(rig.image().pointerSpeed(), 6);  // GNOME's default speed 0
    const QRgb lit = rig.CellPixel(0, 1);
    const QRgb dark = rig.CellPixel(0, 11);
    ASSERT_NE(lit, dark);
    EXPECT_EQ(rig.CellPixel(0, 6), lit);
    EXPECT_EQ(rig.CellPixel(0, 7), dark);

    rig.ClickCell(0, 1);
    EXPECT_EQ(rig.image().pointerSpeed(), 1);
    EXPECT_EQ(rig.CellPixel(0, 1), lit);
    EXPECT_EQ(rig.CellPixel(0, 2), dark);
    EXPECT_EQ(rig.Stored("speed"), "");   // nothing before Apply
    rig.Click(Centre(lw::kApplyButton));  // Apply
    EXPECT_EQ(rig.Stored("speed"), "-1.0");
    EXPECT_TRUE(rig.window->isVisible());
    EXPECT_TRUE(rig.messages.messages.empty());
}

TEST(AdvancedPointerTest, HalfASecondShowsPositionSixAndOkWritesFiveHundredFifty) {
    PointerRig rig;
    ASSERT_TRUE(rig.desktopView->SetDoubleClickTime(500));
    rig.Start();
    EXPECT_EQ(rig.image().doubleClickSpeed(), 6);
    EXPECT_EQ(rig.CellPixel(2, 6), rig.CellPixel(2, 1));
    EXPECT_NE(rig.CellPixel(2, 7), rig.CellPixel(2, 1));
    rig.Click(Centre(lw::kOkButton));        // OK
    EXPECT_TRUE(rig.window->isMinimized());  // no tray: put away to the taskbar
    EXPECT_EQ(rig.Stored("double-click"), "550");
}

TEST(AdvancedPointerTest, TheDesktopIsReadOnlyAtTheFirstShowingOfThePage) {
    PointerRig rig;
    rig.Start();
    rig.ClickCell(2, 9);
    EXPECT_EQ(rig.image().doubleClickSpeed(), 9);
    ASSERT_TRUE(rig.desktopView->SetSpeed(20));
    rig.Click(Centre(lw::kBasicPageButton));  // Basic page
    rig.Click(
        Centre(lw::kAdvancedPageButton));  // Advanced again: the edited values, not the desktop's
    EXPECT_EQ(rig.image().doubleClickSpeed(), 9);
    EXPECT_EQ(rig.image().pointerSpeed(), 6);
    EXPECT_EQ(rig.CellPixel(2, 9), rig.CellPixel(2, 1));
}

TEST(AdvancedPointerTest, TicksToggleAndDefaultWritesAtOnce) {
    PointerRig rig;
    rig.Start();
    const QPoint precision = performance::ui::kPrecisionTick.center();
    const QPoint onePage = performance::ui::kOnePageTick.center();
    ASSERT_EQ(rig.image().enhancedPointerPrecision(), 1);  // GNOME's "default" profile
    const QRgb ticked = rig.Pixel(precision);
    rig.Click(precision.x(), precision.y());
    EXPECT_EQ(rig.image().enhancedPointerPrecision(), 0);
    const QRgb empty = rig.Pixel(precision);
    EXPECT_NE(ticked, empty);
    rig.Click(precision.x(), precision.y());
    EXPECT_EQ(rig.image().enhancedPointerPrecision(), 1);
    EXPECT_EQ(rig.Pixel(precision), ticked);

    rig.image().scrollLines() = 4;
    rig.Click(onePage.x(), onePage.y());
    EXPECT_EQ(rig.image().scrollOnePage(), 1);
    EXPECT_EQ(rig.Pixel(onePage), ticked);

    rig.ClickCell(0, 11);
    rig.Click(Centre(lw::kPointerDefaultButton));  // Default: written without OK or Apply
    EXPECT_EQ(rig.Stored("speed"), "0.0");
    EXPECT_EQ(rig.Stored("accel-profile"), "'flat'");
    EXPECT_EQ(rig.Stored("double-click"), "500");
    EXPECT_EQ(rig.image().enhancedPointerPrecision(), 0);
    EXPECT_EQ(rig.image().scrollOnePage(), 0);
    EXPECT_EQ(rig.image().pointerSpeed(), 6);
    EXPECT_EQ(rig.image().scrollLines(), 3);
    EXPECT_EQ(rig.image().doubleClickSpeed(), 6);
    EXPECT_EQ(rig.Pixel(precision), empty);
    EXPECT_EQ(rig.Pixel(onePage), empty);
    EXPECT_NE(rig.CellPixel(0, 7), rig.CellPixel(0, 6));
    EXPECT_EQ(rig.CellPixel(1, 3), rig.CellPixel(0, 6));
    EXPECT_NE(rig.CellPixel(1, 4), rig.CellPixel(0, 6));
}

TEST(AdvancedPointerTest, CancelDiscardsEditsAndWritesNothing) {
    PointerRig rig;
    rig.Start();
    const auto backup = rig.context->settings.backup;
    rig.ClickCell(0, 2);
    rig.Click(Centre(lw::kCancelButton));  // Cancel
    EXPECT_EQ(rig.image(), backup);
    EXPECT_NE(rig.image().pointerSpeed(), 2);
    EXPECT_EQ(rig.Stored("speed"), "");
}

TEST(AdvancedPointerTest, FailuresOfTheDesktopAreShownAsWarnings) {
    PointerRig rig;
    rig.context->SetPointerSettings(std::make_unique<BrokenDesktop>());
    rig.Start();
    std::vector<std::string> texts;
    for (const auto& m : rig.messages.messages) {
        EXPECT_EQ(m.caption, "Warning");
        texts.push_back(m.text);
    }
    EXPECT_EQ(texts,
              (std::vector<std::string>{"GETMOUSESPEED failed.", "GETWHEELSCROLLLINES failed.",
                                        "GetDoubleClickTime failed."}));
    rig.messages.messages.clear();
    rig.Click(Centre(lw::kApplyButton));
    ASSERT_EQ(rig.messages.messages.size(), 4u);
    EXPECT_EQ(rig.messages.messages[0].text, "SETMOUSE failed.");
    EXPECT_EQ(rig.messages.messages[3].text, "SPI_SETDOUBLECLICKTIME failed.");
}

TEST(AdvancedPointerTest, WithoutDesktopSettingsThePageKeepsItsOwnValuesQuietly) {
    PointerRig rig;
    rig.context->SetPointerSettings(std::make_unique<performance::NoDesktopPointerSettings>());
    rig.image().pointerSpeed() = 3;
    rig.image().doubleClickSpeed() = 40;  // hand-edited config.bin
    rig.Start();
    EXPECT_EQ(rig.image().pointerSpeed(), 3);
    EXPECT_EQ(rig.image().doubleClickSpeed(), 11);
    rig.ClickCell(0, 5);
    rig.Click(Centre(lw::kApplyButton));
    EXPECT_EQ(rig.image().pointerSpeed(), 5);
    EXPECT_TRUE(rig.messages.messages.empty());
    EXPECT_FALSE(fs::exists(rig.gnome.keyfile));
}

}  // namespace
}  // namespace ornyx::app

// The main window driven through its real widgets, offscreen, on the
// simulated mouse and the project's own skins.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QScreen>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "app/AppContext.h"
#include "app/MainWindow.h"
#include "gui/LayoutPoints.h"
#include "session/Defaults.h"
#include "settings/Configuration.h"
#include "support/TempDir.h"

namespace ornyx::app {
namespace {

namespace fs = std::filesystem;

// A program home with the default files, the build's skins and a trace.
struct Home {
    test::TempDir dir;
    Home() {
        session::InitProgramHome(settings::ProgramPaths::ForHome(dir.path()));
        fs::copy(ORNYX_SKINS_DIR, dir.path() / "Skins", fs::copy_options::recursive);
    }
    std::vector<std::string> Trace() const {
        std::ifstream in(dir.path() / "trace.txt");
        std::vector<std::string> lines;
        for (std::string l; std::getline(in, l);) lines.push_back(l);
        return lines;
    }
    // Command codes of the frames sent, from trace line `from` on.
    std::vector<int> TraceCodes(std::size_t from = 0) const {
        std::vector<int> codes;
        const auto lines = Trace();
        for (std::size_t i = from; i < lines.size(); ++i) {
            const std::string& l = lines[i];
            if (l.rfind("set-feature ", 0) == 0)
                codes.push_back(std::stoi(l.substr(15, 2), nullptr, 16));
        }
        return codes;
    }
};

// Lets events run until `done` holds, for up to `ms` milliseconds.
template <typename Pred>
bool WaitUntil(Pred done, int ms = 2000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QTest::qSleep(2);
    }
    return true;
}

struct Rig {
    explicit Rig(bool tray = true, const std::string& simulate = "") {
        AppOptions options;
        options.home = home.dir.path().string();
        options.simulate = simulate;
        options.trace = (home.dir.path() / "trace.txt").string();
        context = std::make_unique<AppContext>(options, messages);
        window = std::make_unique<CHidMouseDlg>(*context, tray);
        window->pickColour = [this](const QColor&) { return nextColour; };
        window->openLink = [this](const QString& url) { opened = url; };
    }
    void Click(QPoint p) { Click(p.x(), p.y()); }
    void Click(int x, int y) {
        QTest::mouseClick(window.get(), Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
        QApplication::processEvents();
    }
    void Move(QPoint p) { Move(p.x(), p.y()); }
    void Move(int x, int y) {
        QTest::mouseMove(window.get(), QPoint(x, y));
        QApplication::processEvents();
    }
    QRgb Pixel(int x, int y) const { return window->PageImage().pixel(x, y); }
    settings::SettingsImage& image() { return context->settings.image; }

    Home home;
    RecordingMessageSink messages;
    std::unique_ptr<AppContext> context;
    std::unique_ptr<CHidMouseDlg> window;
    std::optional<QColor> nextColour;
    QString opened;
};

TEST(MainWindowTest, StartsHiddenInTheTrayAndTheFirstClickShowsTheBasicPage) {
    Rig rig(/*tray=*/true);
    rig.window->Start();
    EXPECT_FALSE(rig.window->isVisible());
    EXPECT_EQ(rig.window->CurrentPage(),
              CHidMouseDlg::kBasicPage);  // built at start: mouse present
    EXPECT_EQ(rig.window->size(), QSize(rig.window->PageImage().size()));
    // The handshake ran with the first page build.
    const auto codes = rig.home.TraceCodes();
    ASSERT_GE(codes.size(), 2u);
    EXPECT_EQ(codes[0], 0x83);
    EXPECT_EQ(codes[1], 0x03);
    rig.window->TrayClicked();
    EXPECT_TRUE(rig.window->isVisible());
}

TEST(MainWindowTest, WithoutATrayTheWindowShowsAtStart) {
    Rig rig(/*tray=*/false);
    rig.window->Start();
    EXPECT_TRUE(rig.window->isVisible());
    EXPECT_EQ(rig.window->CurrentPage(), CHidMouseDlg::kBasicPage);
    // Placed on the screen by the program, not left where the window system puts it.
    EXPECT_EQ(
        rig.window->pos(),
        skin::CentredIn(rig.window->size(), QGuiApplication::primaryScreen()->availableGeometry()));
}

TEST(MainWindowTest, NoMouseWarnsAndTheTrayClickShowsNothing) {
    Rig rig(/*tray=*/true);
    rig.context->Simulator()->Unplug();
    while (rig.context->Monitor()->Receive()) {
    }
    rig.window->Start();
    ASSERT_EQ(rig.window->Notifications().size(), 1u);
    EXPECT_EQ(rig.window->Notifications()[0].title, "Warning");
    EXPECT_EQ(rig.window->Notifications()[0].text, "The system did not detect the gaming mouse!");
    EXPECT_EQ(rig.window->Notifications()[0].timeoutMs, 100);
    rig.window->TrayClicked();
    EXPECT_FALSE(rig.window->isVisible());
    EXPECT_EQ(rig.window->Notifications().size(), 2u);
    // Apply does nothing without the mouse.
    rig.Click(Centre(lw::kApplyButton));
    EXPECT_TRUE(rig.home.TraceCodes().empty());
}

TEST(MainWindowTest, ApplyAndOkSendTheSettingsAndSaveThem) {
    Rig rig(/*tray=*/false);
    rig.window->Start();
    rig.Click(
        Centre(lw::ReportRateCell(3)));  // report rate 1000 Hz -> already; choose 125 Hz instead
    rig.Click(Centre(lw::ReportRateCell(0)));
    EXPECT_EQ(rig.image().reportRate(), 8);
    const std::size_t before = rig.home.Trace().size();
    rig.Click(Centre(lw::kApplyButton));  // Apply
    const std::vector<int> expected = {0x01, 0x8D, 0x87, 0x87, 0x90, 0x90, 0x10, 0x10, 0x07, 0x07,
                                       0x0D, 0x11, 0x13, 0x13, 0x13, 0x13, 0x13, 0x13, 0x13, 0x13,
                                       0x13, 0x13, 0x13, 0x13, 0x93, 0x93, 0x93, 0x93, 0x93, 0x93,
                                       0x93, 0x93, 0x93, 0x93, 0x93, 0x93, 0x12, 0x12, 0x12, 0x12};
    EXPECT_EQ(rig.home.TraceCodes(before), expected);
    EXPECT_EQ(rig.home.Trace()[before], "set-feature 00 01 08 00 00 00 00 00 f6");
    const auto file = test::ReadBytes(rig.home.dir.path() / "config.bin");
    ASSERT_EQ(file.size(), settings::kConfigFileSize);
    EXPECT_EQ(file[0], 1);
    EXPECT_EQ(file[1 + settings::SettingsImage::kReportRate], 8);
    EXPECT_TRUE(rig.window->isVisible());
    rig.Click(Centre(lw::kOkButton));        // OK applies and hides
    EXPECT_TRUE(rig.window->isMinimized());  // no tray: put away to the taskbar
}

TEST(MainWindowTest, ApplyThatCannotReachTheMouseSaysSoAndKeepsTheSettings) {
    // The mouse is pulled out after the handshake and ten frames of the apply.
    Rig rig(/*tray=*/false, "vanish=11");
    rig.window->Start();
    rig.Click(Centre(lw::ReportRateCell(3)));
    rig.Click(Centre(lw::ReportRateCell(0)));  // 125 Hz
    rig.messages.messages.clear();
    rig.Click(Centre(lw::kApplyButton));  // Apply
    ASSERT_EQ(rig.messages.messages.size(), 1u);
    EXPECT_EQ(rig.messages.messages[0].caption, "Warning");
    EXPECT_EQ(
        rig.messages.messages[0].text.rfind("The mouse stopped answering at setting bank 1.", 0),
        0u)
        << rig.messages.messages[0].text;
    const auto file = test::ReadBytes(rig.home.dir.path() / "config.bin");
    ASSERT_EQ(file.size(), settings::kConfigFileSize);
    EXPECT_EQ(file[1 + settings::SettingsImage::kReportRate], 8);
}

TEST(MainWindowTest, CancelRestoresTheLastAppliedImageAndTheRestoreRedrawsIt) {
    Rig rig(/*tray=*/true);
    rig.window->Start();
    rig.window->TrayClicked();
    const auto before = rig.image();
    const QRgb litCell = rig.Pixel(lw::ReportRateCell(3).left + 7, lw::ReportRateCell(3).top + 4);
    rig.Click(Centre(lw::ReportRateCell(0)));  // 125 Hz
    EXPECT_NE(rig.image(), before);
    EXPECT_NE(rig.Pixel(lw::ReportRateCell(3).left + 7, lw::ReportRateCell(3).top + 4), litCell);
    rig.Click(Centre(lw::kCancelButton));  // Cancel
    EXPECT_FALSE(rig.window->isVisible());
    EXPECT_EQ(rig.image(), before);
    rig.window->TrayClicked();
    EXPECT_TRUE(rig.window->isVisible());
    EXPECT_EQ(rig.Pixel(lw::ReportRateCell(3).left + 7, lw::ReportRateCell(3).top + 4),
              litCell);  // redrawn from the restored settings
}

TEST(MainWindowTest, KeysCloseAndMinimiseOnlyHide) {
    Rig rig(/*tray=*/true);
    rig.window->Start();
    for (int key : {Qt::Key_Return, Qt::Key_Escape, Qt::Key_Enter}) {
        rig.window->show();
        QTest::keyClick(rig.window.get(), static_cast<Qt::Key>(key));
        EXPECT_FALSE(rig.window->isVisible()) << key;
    }
    rig.window->show();
    rig.window->close();
    EXPECT_FALSE(rig.window->isVisible());
    rig.window->show();
    rig.Click(Centre(lw::kMinimiseButton));  // minimise
    EXPECT_FALSE(rig.window->isVisible());
    bool exited = false;
    QObject::connect(rig.window.get(), &CHidMouseDlg::exitRequested, [&] { exited = true; });
    EXPECT_FALSE(exited);
    rig.window->show();
    rig.Click(Centre(lw::kCloseButton));  // close ends the program
    EXPECT_TRUE(exited);
}

// Without a tray a hidden window could only come back through a second
// start: everything that would hide it minimises it to the taskbar instead.
TEST(MainWindowTest, WithoutATrayTheWindowIsNeverLost) {
    Rig rig(/*tray=*/false);
    rig.window->Start();
    EXPECT_FALSE(rig.window->windowFlags().testFlag(Qt::Tool)) << "no taskbar entry";
    const auto putAway = [&](const char* how, const std::function<void()>& action) {
        rig.window->Activate();
        ASSERT_TRUE(rig.window->isVisible()) << how;
        ASSERT_FALSE(rig.window->isMinimized()) << how;
        action();
        QApplication::processEvents();
        EXPECT_TRUE(rig.window->isMinimized()) << how;
        EXPECT_TRUE(rig.window->isVisible()) << how << ": hidden, so out of the task switcher";
    };
    putAway("Escape", [&] { QTest::keyClick(rig.window.get(), Qt::Key_Escape); });
    putAway("Enter", [&] { QTest::keyClick(rig.window.get(), Qt::Key_Return); });
    putAway("close", [&] { rig.window->close(); });
    putAway("minimise", [&] { rig.Click(Centre(lw::kMinimiseButton)); });
    putAway("OK", [&] { rig.Click(Centre(lw::kOkButton)); });
    putAway("Cancel", [&] { rig.Click(Centre(lw::kCancelButton)); });
    // A second start brings it back.
    rig.window->Activate();
    EXPECT_TRUE(rig.window->isVisible());
    EXPECT_FALSE(rig.window->isMinimized());
}

TEST(MainWindowTest, WithATrayAnActivationActsAsATrayClick) {
    Rig rig(/*tray=*/true);
    EXPECT_TRUE(rig.window->windowFlags().testFlag(Qt::Tool));
    rig.context->Simulator()->Unplug();
    while (rig.context->Monitor()->Receive()) {
    }
    rig.window->Start();
    ASSERT_EQ(rig.window->Notifications().size(), 1u);
    // Without the mouse the tray's rule holds: a warning instead of the window.
    rig.window->Activate();
    EXPECT_FALSE(rig.window->isVisible());
    EXPECT_EQ(rig.window->Notifications().size(), 2u);
    rig.context->Simulator()->Replug();
    ASSERT_TRUE(WaitUntil([&] { return rig.window->Connection().present(); }));
    rig.window->Activate();
    EXPECT_TRUE(rig.window->isVisible());
}

TEST(MainWindowTest, HiddenStartStaysHiddenWithoutATray) {
    Home home;
    RecordingMessageSink messages;
    AppOptions options;
    options.home = home.dir.path().string();
    options.simulate = "";
    options.hidden = true;
    AppContext context(options, messages);
    CHidMouseDlg window(context, /*trayAvailable=*/false);
    window.Start();
    EXPECT_FALSE(window.isVisible());
    window.Activate();
    EXPECT_TRUE(window.isVisible());
}

TEST(MainWindowTest, PagesSwitchAndHoverDrawsIntoThePage) {
    Rig rig(/*tray=*/false);
    rig.window->Start();
    const QImage basic = rig.window->PageImage();
    rig.Click(Centre(lw::kAdvancedPageButton));  // Advanced page button
    EXPECT_EQ(rig.window->CurrentPage(), CHidMouseDlg::kAdvancedPage);
    EXPECT_NE(rig.window->PageImage(), basic);
    rig.Click(Centre(lw::kBasicPageButton));
    EXPECT_EQ(rig.window->CurrentPage(), CHidMouseDlg::kBasicPage);
    // Pressing the shown page's button changes nothing.
    const QImage again = rig.window->PageImage();
    rig.Click(Centre(lw::kBasicPageButton));
    EXPECT_EQ(rig.window->PageImage(), again);

    // Hover over OK draws its over image; moving to the background restores it.
    rig.Move(400, 600);
    const QImage normal = rig.window->PageImage().copy(skin::ToQRect(lw::kOkButton));
    rig.Move(Centre(lw::kOkButton));
    EXPECT_NE(rig.window->PageImage().copy(skin::ToQRect(lw::kOkButton)), normal);
    rig.Move(400, 600);
    EXPECT_EQ(rig.window->PageImage().copy(skin::ToQRect(lw::kOkButton)), normal);
}

TEST(MainWindowTest, ReportRateAndDpiClicksChangeOnlyTheirBytes) {
    Rig rig(/*tray=*/false);
    rig.window->Start();
    auto expected = rig.image();
    rig.Click(Centre(lw::ReportRateCell(1)));  // 250 Hz
    expected.reportRate() = 4;
    EXPECT_EQ(rig.image(), expected);

    rig.Click(Centre(lw::DpiCell(1, 4)));  // level 2, step 5
    expected.dpiStep(2) = 4;
    EXPECT_EQ(rig.image(), expected);

    // Steps 9..12 exist only for sensor type 0, which the simulator has.
    rig.Click(Centre(lw::DpiCell(0, 10)));  // level 1, step 11
    expected.dpiStep(1) = 10;
    EXPECT_EQ(rig.image(), expected);

    rig.Click(Centre(lw::DpiTick(2)));  // level 3 off
    expected.dpiEnabled(3) = 0;
    EXPECT_EQ(rig.image(), expected);
    // A step of a level that is off is stored and lights its column; the tick stays off.
    const auto cellPixel = [&](int level, int step) {
        const layout::Rect cell = lw::DpiCell(level - 1, step - 1);
        return rig.Pixel(cell.left + 8, cell.top + 8);
    };
    const QRgb lit = cellPixel(1, 1);
    const QRgb dark = cellPixel(1, 12);
    ASSERT_NE(lit, dark);
    EXPECT_EQ(cellPixel(3, 1), dark);
    rig.Click(Centre(lw::DpiCell(2, 5)));  // level 3, step 6
    expected.dpiStep(3) = 5;
    EXPECT_EQ(rig.image(), expected);
    EXPECT_EQ(cellPixel(3, 1), lit);
    EXPECT_EQ(cellPixel(3, 6), lit);
    EXPECT_EQ(cellPixel(3, 7), dark);
    rig.nextColour = QColor(1, 2, 3);
    rig.Click(Centre(lw::DpiSwatch(2)));  // colour of a level that is off: ignored
    EXPECT_EQ(rig.image(), expected);
    rig.Click(Centre(lw::DpiSwatch(3)));  // level 4's colour
    expected.dpiColour(4)[0] = 1;
    expected.dpiColour(4)[1] = 2;
    expected.dpiColour(4)[2] = 3;
    EXPECT_EQ(rig.image(), expected);
    EXPECT_EQ(rig.Pixel(lw::DpiSwatch(3).left + 8, lw::DpiSwatch(3).top + 8), qRgb(1, 2, 3));
}

TEST(MainWindowTest, LightingListsStoreTheChoice) {
    Rig rig(/*tray=*/false);
    rig.window->Start();
    rig.Click(Centre(lw::LightingBox(0)));  // mode field
    auto lists = rig.window->findChildren<QListWidget*>();
    ASSERT_EQ(lists.size(), 1u);
    QListWidget* modes = lists[0];
    ASSERT_EQ(modes->count(), 3);
    const QRect second = modes->visualItemRect(modes->item(1));
    QTest::mouseClick(modes->viewport(), Qt::LeftButton, Qt::NoModifier, second.center());
    QApplication::processEvents();
    EXPECT_EQ(rig.image().lightingMode(), 2);  // Respiration

    rig.Click(Centre(lw::LightingBox(1)));  // parameter field
    lists = rig.window->findChildren<QListWidget*>();
    QListWidget* params = nullptr;
    for (auto* l : lists) {
        if (l->count() == 5) params = l;
    }
    ASSERT_NE(params, nullptr);
    QTest::mouseClick(params->viewport(), Qt::LeftButton, Qt::NoModifier,
                      params->visualItemRect(params->item(3)).center());
    QApplication::processEvents();
    EXPECT_EQ(rig.image().respirationPeriod(), 3);

    rig.Click(Centre(lw::LightingBox(2)));  // effect field, then a press elsewhere closes the list
    rig.Click(300, 600);
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(rig.window->findChildren<QListWidget*>().isEmpty());
}

TEST(MainWindowTest, UnplugWarnsAndHidesAndReplugComesBack) {
    Rig rig(/*tray=*/true);
    rig.window->Start();
    rig.window->TrayClicked();
    ASSERT_TRUE(rig.window->isVisible());
    rig.context->Simulator()->Unplug();
    ASSERT_TRUE(WaitUntil([&] { return !rig.window->isVisible(); }));
    EXPECT_EQ(rig.window->Notifications().back().title, "Warning");
    rig.context->Simulator()->Replug();
    ASSERT_TRUE(WaitUntil([&] { return rig.window->Connection().present(); }));
    // Events of the new connection arrive as notifications.
    const std::uint8_t report[] = {6, 5, 0, 2, 0, 0, 0, 0};
    rig.context->Simulator()->InjectEvent(report);
    EXPECT_TRUE(WaitUntil([&] {
        return rig.window->Notifications().back().text == "Switch report rate into 500HZ";
    }));
    rig.window->TrayClicked();
    EXPECT_TRUE(rig.window->isVisible());
}

// Pixels of the band under the page title that differ from the page's background file.
int MarkedPixelsUnderTitle(const Rig& rig) {
    const QImage background(QString::fromStdString((rig.home.dir.path() / "Skins").string()) + "/" +
                            QString::fromStdString(rig.context->text.skinName) + "/BasicSet2.png");
    const QImage page = rig.window->PageImage();
    int marked = 0;
    for (int y = 118; y < 142; ++y) {
        for (int x = 105; x < 876; ++x) {
            if ((page.pixel(x, y) & 0xFFFFFFU) != (background.pixel(x, y) & 0xFFFFFFU)) ++marked;
        }
    }
    return marked;
}

TEST(MainWindowTest, WithoutAMouseThePageSaysSoUntilItArrives) {
    Rig rig(/*tray=*/false);
    rig.context->Simulator()->Unplug();
    while (rig.context->Monitor()->Receive()) {
    }
    rig.window->Start();
    ASSERT_TRUE(rig.window->isVisible());
    EXPECT_GT(MarkedPixelsUnderTitle(rig), 50);
    // It stays after a page switch and back.
    rig.Click(Centre(lw::kAdvancedPageButton));
    rig.Click(Centre(lw::kBasicPageButton));
    EXPECT_GT(MarkedPixelsUnderTitle(rig), 50);
    rig.context->Simulator()->Replug();
    ASSERT_TRUE(WaitUntil([&] { return rig.window->Connection().present(); }));
    EXPECT_EQ(MarkedPixelsUnderTitle(rig), 0);
}

TEST(MainWindowTest, AMissingPageBackgroundIsNamedOnceAndAnotherSkinStandsIn) {
    Rig rig(/*tray=*/false);
    const std::string chosen = rig.context->text.skinName;
    const fs::path gone = rig.home.dir.path() / "Skins" / chosen / "BasicSet2.png";
    ASSERT_TRUE(fs::remove(gone));
    rig.window->Start();
    EXPECT_TRUE(rig.window->isVisible());
    EXPECT_EQ(rig.window->size(), QSize(lw::kSize.width, lw::kSize.height))
        << "never a 0 x 0 window that no one can see";
    EXPECT_NE(rig.context->text.skinName, chosen);
    ASSERT_EQ(rig.messages.messages.size(), 1u);
    EXPECT_NE(rig.messages.messages[0].text.find(gone.string()), std::string::npos);
    rig.Click(Centre(lw::kAdvancedPageButton));
    rig.Click(Centre(lw::kBasicPageButton));
    EXPECT_EQ(rig.messages.messages.size(), 1u) << "named once per run";

    // No skin has it: a plain page, still the full window.
    Rig bare(/*tray=*/false);
    for (const auto& skin : fs::directory_iterator(bare.home.dir.path() / "Skins")) {
        fs::remove(skin.path() / "BasicSet2.png");
    }
    bare.window->Start();
    EXPECT_EQ(bare.window->size(), QSize(lw::kSize.width, lw::kSize.height));
    EXPECT_EQ(bare.messages.messages.size(), 1u);
}

// The accessible child of the window with this name, or null.
QAccessibleInterface* Named(QWidget& window, const QString& name) {
    QAccessibleInterface* w = QAccessible::queryAccessibleInterface(&window);
    if (w == nullptr) return nullptr;
    for (int i = 0; i < w->childCount(); ++i) {
        QAccessibleInterface* c = w->child(i);
        if (c != nullptr && c->text(QAccessible::Name) == name) return c;
    }
    return nullptr;
}

TEST(MainWindowTest, ScreenReadersFindTheDrawnControlsByNameRoleAndState) {
    Rig rig(/*tray=*/false);
    rig.window->Start();
    QAccessibleInterface* ok = Named(*rig.window, "OK");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->role(), QAccessible::Button);
    EXPECT_EQ(ok->rect().center(), rig.window->mapToGlobal(skin::ToQRect(lw::kOkButton).center()));
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(rig.window.get());
    EXPECT_EQ(window->childAt(ok->rect().center().x(), ok->rect().center().y()), ok);

    QAccessibleInterface* box = Named(*rig.window, "Key Setting 1");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->role(), QAccessible::ComboBox);
    EXPECT_EQ(box->text(QAccessible::Value), "Left Click");
    QAccessibleInterface* tick = Named(*rig.window, "DPI Setting 3 Select");
    ASSERT_NE(tick, nullptr);
    EXPECT_EQ(tick->role(), QAccessible::CheckBox);
    EXPECT_TRUE(tick->state().checked);
    rig.Click(Centre(lw::DpiTick(2)));  // level 3 off
    EXPECT_FALSE(tick->state().checked) << "the state follows the page";
    QAccessibleInterface* slider = Named(*rig.window, "DPI Setting 1");
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->role(), QAccessible::Slider);
    EXPECT_FALSE(slider->text(QAccessible::Value).isEmpty());

    rig.Click(
        Centre(lw::kAdvancedPageButton));  // the Advanced page: its own controls, real and drawn
    EXPECT_EQ(Named(*rig.window, "Key Setting 1"), nullptr);
    QAccessibleInterface* speed = Named(*rig.window, "Mouse Speed");
    ASSERT_NE(speed, nullptr);
    EXPECT_EQ(speed->role(), QAccessible::Slider);
    ASSERT_NE(Named(*rig.window, "Confirm"), nullptr);
    QAccessibleInterface* macros = Named(*rig.window, "Select Macro");
    ASSERT_NE(macros, nullptr);
    EXPECT_EQ(macros->role(), QAccessible::List);
}

TEST(MainWindowTest, LinkOpensTheConfiguredAddress) {
    Rig rig(/*tray=*/false);
    rig.window->Start();
    rig.Click(Centre(lw::kLink));
    EXPECT_FALSE(rig.opened.isEmpty());
}

}  // namespace
}  // namespace ornyx::app

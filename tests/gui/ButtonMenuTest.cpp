// The button menus of the Basic page, driven through the main window at its
// documented coordinates on the simulated mouse; what they assign is checked
// where it ends up, in the key matrices the mouse receives.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/AppContext.h"
#include "app/MainWindow.h"
#include "gui/LayoutPoints.h"
#include "keys/KeyFunction.h"
#include "keys/ui/ButtonMenu.h"
#include "keys/ui/KeyDialogs.h"
#include "macros/ui/MacroDialog.h"
#include "session/Defaults.h"
#include "support/TempDir.h"

namespace ornyx::keys::ui {
namespace {

namespace fs = std::filesystem;
using i18n::Language;
using settings::Mode;
using settings::SlotArray;

struct MenuRig {
    explicit MenuRig(Language language = Language::English) {
        session::InitProgramHome(settings::ProgramPaths::ForHome(dir.path()));
        fs::copy(ORNYX_SKINS_DIR, dir.path() / "Skins", fs::copy_options::recursive);
        app::AppOptions options;
        options.home = dir.path().string();
        options.trace = (dir.path() / "trace.txt").string();
        options.simulate = "";
        context = std::make_unique<app::AppContext>(options, messages);
        context->text.language = language;
        window = std::make_unique<app::CHidMouseDlg>(*context, /*tray=*/false);
        window->Start();
    }
    ~MenuRig() { skin::PopupFrame::ClearAutoAnswer(); }

    void Click(QPoint p) { Click(p.x(), p.y()); }
    void Click(int x, int y) {
        QTest::mouseClick(window.get(), Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
        QApplication::processEvents();
    }
    void ClickBox(int k) { Click(300, ButtonBoxRect(k).center().y()); }
    ButtonMenus& menus() { return window->Menus(); }
    // Moves the pointer over entry `row` of box k's menu, then clicks it.
    void HoverEntry(int k, int row) {
        QListWidget* list = menus().Menu(k);
        ASSERT_NE(list, nullptr);
        QTest::mouseMove(list->viewport(), list->visualItemRect(list->item(row)).center());
        // Offscreen there is no real pointer: hand the hover over as the list would.
        emit list->itemEntered(list->item(row));
        QApplication::processEvents();
    }
    void ChooseEntry(int k, int row) {
        HoverEntry(k, row);
        QListWidget* list = menus().Menu(k);
        ASSERT_NE(list, nullptr);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualItemRect(list->item(row)).center());
        QApplication::processEvents();
    }
    void ChooseDpi(int row) {
        QListWidget* dpi = menus().DpiMenu();
        ASSERT_NE(dpi, nullptr);
        QTest::mouseClick(dpi->viewport(), Qt::LeftButton, Qt::NoModifier,
                          dpi->visualItemRect(dpi->item(row)).center());
        QApplication::processEvents();
    }
    // Opens box k's menu and chooses entry f; the dialog it opens gets `answer`.
    void Assign(int k, int f, skin::PopupFrame::AutoAnswer answer = nullptr) {
        skin::PopupFrame::SetAutoAnswer(answer ? answer : [](skin::PopupFrame& d) { d.accept(); });
        ClickBox(k);
        ChooseEntry(k, f);
        skin::PopupFrame::ClearAutoAnswer();
    }
    std::string Label(Mode m, int k) const {
        return context->text.labels[i18n::LabelIndex(m, static_cast<std::size_t>(k))];
    }
    settings::SettingsImage& image() { return context->settings.image; }

    // Key matrix `m` as the last apply sent it, entry by entry, as trace text.
    std::vector<std::string> SentMatrix(int m) const {
        std::ifstream in(dir.path() / "trace.txt");
        std::vector<std::string> lines;
        for (std::string l; std::getline(in, l);) lines.push_back(l);
        char head[32];
        std::snprintf(head, sizeof head, "set-feature 00 12 %02x", m);
        std::vector<std::string> bytes;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].rfind(head, 0) != 0) continue;
            bytes.clear();
            for (std::size_t j = i + 1; j < lines.size() && bytes.size() < 64; ++j) {
                if (lines[j].rfind("write ", 0) != 0) continue;
                std::istringstream words(lines[j].substr(6));
                std::string b;
                words >> b;  // the report ID
                while (words >> b) bytes.push_back(b);
            }
        }
        std::vector<std::string> entries;
        if (bytes.size() < 64) return std::vector<std::string>(16, "nothing sent");
        for (std::size_t e = 0; e + 4 <= bytes.size() && e < 64; e += 4)
            entries.push_back(bytes[e] + " " + bytes[e + 1] + " " + bytes[e + 2] + " " +
                              bytes[e + 3]);
        return entries;
    }
    void Apply() { Click(Centre(lw::kApplyButton)); }

    test::TempDir dir;
    RecordingMessageSink messages;
    std::unique_ptr<app::AppContext> context;
    std::unique_ptr<app::CHidMouseDlg> window;
};

TEST(ButtonMenu, LeftButtonMustStayAssignedSomewhere) {
    MenuRig rig;
    rig.ClickBox(0);
    ASSERT_EQ(rig.messages.messages.size(), 1u);
    EXPECT_EQ(rig.messages.messages[0].text, "Left key must be selected!");
    EXPECT_EQ(rig.messages.messages[0].caption, "Warning");
    EXPECT_EQ(rig.menus().Menu(0), nullptr);
    EXPECT_FALSE(rig.menus().OpenFlag(0));

    // Once box 2 carries the left button too, box 1's menu opens.
    rig.Assign(1, 0);
    EXPECT_EQ(rig.image().function(Mode::A, 1), 0);
    EXPECT_EQ(rig.Label(Mode::A, 1), "Left Click");
    rig.ClickBox(0);
    EXPECT_EQ(rig.messages.messages.size(), 1u);
    ASSERT_NE(rig.menus().Menu(0), nullptr);
    EXPECT_EQ(rig.menus().Menu(0)->geometry(), ButtonMenuRect(0));
    EXPECT_EQ(rig.menus().Menu(0)->count(), 16);
    // Mode B still has its only left button on box 1.
    rig.Click(Centre(lw::kModeBButton));
    rig.ClickBox(0);
    EXPECT_EQ(rig.messages.messages.size(), 2u);
}

TEST(ButtonMenu, DpiSwitchGoesThroughTheSubMenuAndReachesTheMouse) {
    MenuRig rig;
    rig.ClickBox(3);
    ASSERT_NE(rig.menus().Menu(3), nullptr);
    rig.HoverEntry(3, 6);
    QListWidget* dpi = rig.menus().DpiMenu();
    ASSERT_NE(dpi, nullptr);
    EXPECT_EQ(dpi->size(), kDpiMenuSize);
    EXPECT_GE(dpi->x(), ButtonMenuRect(3).right() - 2);  // beside the menu, level with entry 6
    EXPECT_EQ(dpi->count(), 4);
    // Another entry closes it, entry 6 brings it back.
    rig.HoverEntry(3, 5);
    EXPECT_EQ(rig.menus().DpiMenu(), nullptr);
    rig.HoverEntry(3, 6);
    ASSERT_NE(rig.menus().DpiMenu(), nullptr);

    // A click on "DPI Switch" itself assigns nothing and leaves the menu up.
    const auto before = rig.image();
    rig.ChooseEntry(3, 6);
    EXPECT_EQ(rig.image().bytes, before.bytes);
    ASSERT_NE(rig.menus().Menu(3), nullptr);
    EXPECT_FALSE(rig.menus().OpenFlag(3));
    rig.ChooseDpi(2);
    EXPECT_EQ(rig.menus().Menu(3), nullptr);
    EXPECT_EQ(rig.menus().DpiMenu(), nullptr);
    EXPECT_EQ(rig.Label(Mode::A, 3), "DPI Loop");
    EXPECT_EQ(rig.image().function(Mode::A, 3), 6);
    EXPECT_EQ(rig.image().dpiVariant(Mode::A, 3), 3);
    EXPECT_EQ(rig.image().function(Mode::B, 3), 3);  // the other mode is untouched

    rig.Apply();
    const auto matrix = rig.SentMatrix(1);
    ASSERT_EQ(matrix.size(), 16u);
    EXPECT_EQ(matrix[4], "07 00 03 00");  // box 4 sits in entry 4
}

TEST(ButtonMenu, AfterDpiSwitchTheNextBoxClickKeepsTheMenuAndTheOneAfterCloses) {
    MenuRig rig;
    rig.ClickBox(2);
    rig.ChooseEntry(2, 6);
    ASSERT_NE(rig.menus().Menu(2), nullptr);
    rig.ClickBox(2);
    EXPECT_NE(rig.menus().Menu(2), nullptr);
    EXPECT_TRUE(rig.menus().OpenFlag(2));
    rig.ClickBox(2);
    EXPECT_EQ(rig.menus().Menu(2), nullptr);
    EXPECT_FALSE(rig.menus().OpenFlag(2));
}

TEST(ButtonMenu, AnyOtherPressClosesTheMenuAndOpeningAnotherReplacesIt) {
    MenuRig rig;
    rig.ClickBox(1);
    rig.HoverEntry(1, 6);
    ASSERT_NE(rig.menus().DpiMenu(), nullptr);
    rig.Click(600, 600);  // free page
    EXPECT_EQ(rig.menus().Menu(1), nullptr);
    EXPECT_EQ(rig.menus().DpiMenu(), nullptr);
    rig.ClickBox(1);
    rig.ClickBox(2);
    EXPECT_EQ(rig.menus().Menu(1), nullptr);
    EXPECT_NE(rig.menus().Menu(2), nullptr);
    // Leaving the page closes it too.
    rig.Click(Centre(lw::kAdvancedPageButton));
    EXPECT_EQ(rig.menus().Menu(2), nullptr);
}

TEST(ButtonMenu, HidingTheWindowClosesItsMenus) {
    MenuRig rig;
    rig.window->show();
    rig.ClickBox(3);
    rig.HoverEntry(3, 6);
    ASSERT_NE(rig.menus().DpiMenu(), nullptr);
    QTest::keyClick(rig.window.get(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_TRUE(rig.window->isMinimized());  // no tray: put away to the taskbar
    EXPECT_EQ(rig.menus().Menu(3), nullptr);
    EXPECT_EQ(rig.menus().DpiMenu(), nullptr);
    // Shown again, the next box click opens its menu at once.
    rig.window->show();
    rig.ClickBox(3);
    EXPECT_NE(rig.menus().Menu(3), nullptr);
}

TEST(ButtonMenu, ShiftHoldsAcrossModesAndIsRefusedTwice) {
    MenuRig rig;
    rig.Assign(2, 14);
    EXPECT_EQ(rig.image().function(Mode::A, 2), 14);
    EXPECT_EQ(rig.image().function(Mode::B, 2), 14);
    EXPECT_EQ(rig.Label(Mode::A, 2), "Shift");
    EXPECT_EQ(rig.Label(Mode::B, 2), "Shift");
    EXPECT_EQ(rig.menus().Menu(2), nullptr);

    const auto before = rig.image();
    rig.Assign(3, 14);
    EXPECT_EQ(rig.image().bytes, before.bytes);
    EXPECT_EQ(rig.menus().Menu(3), nullptr);
    rig.Click(Centre(lw::kModeBButton));  // Mode B
    rig.Assign(3, 14);
    EXPECT_EQ(rig.image().function(Mode::B, 3), 3);
    EXPECT_TRUE(rig.messages.messages.empty());  // refused without a word

    // A single key on the Shift button in Mode B lands in both modes, with
    // the same key, so both codes match the shared label.
    rig.Assign(2, 11, [](skin::PopupFrame& d) {
        QTest::keyClick(&d, Qt::Key_Enter, Qt::KeypadModifier);
        d.accept();
    });
    EXPECT_EQ(rig.image().function(Mode::B, 2), 11);
    EXPECT_EQ(rig.image().function(Mode::A, 2), 11);
    EXPECT_EQ(rig.image().slot(Mode::A, SlotArray::SingleKey, 2), 0x58);
    EXPECT_EQ(rig.Label(Mode::A, 2), "Single Key-Num Enter");
    EXPECT_EQ(rig.Label(Mode::B, 2), "Single Key-Num Enter");
    rig.Apply();
    EXPECT_EQ(rig.SentMatrix(1)[2], "00 00 58 00");
    EXPECT_EQ(rig.SentMatrix(3)[2], "00 00 58 00");
}

TEST(ButtonMenu, ShiftButtonGivenADpiVariantCarriesItIntoBothModes) {
    MenuRig rig;
    rig.Assign(4, 14);
    rig.ClickBox(4);
    rig.HoverEntry(4, 6);
    rig.ChooseDpi(0);
    EXPECT_EQ(rig.image().function(Mode::B, 4), 6);
    EXPECT_EQ(rig.image().dpiVariant(Mode::B, 4), 1);
    EXPECT_EQ(rig.Label(Mode::B, 4), "DPI +");
    rig.Apply();
    EXPECT_EQ(rig.SentMatrix(1)[3], "07 00 01 00");
    EXPECT_EQ(rig.SentMatrix(3)[3], "07 00 01 00");
}

TEST(ButtonMenu, CombinationAndEmptySingleKeyLabelsInChinese) {
    MenuRig rig(Language::ChineseSimplified);
    rig.Assign(1, 12, [](skin::PopupFrame& d) {
        auto& combo = static_cast<CComboDialog&>(d);
        QTest::mouseClick(&combo, Qt::LeftButton, Qt::NoModifier,
                          CComboDialog::kModifierBox.center());
        QListWidget* list = combo.ModifierList();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualItemRect(list->item(0)).center());
        QApplication::setActiveWindow(
            &combo);  // offscreen, a pop-up over the main window is not activated
        QTest::mouseClick(combo.KeyEdit(1), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        QTest::keyClick(combo.KeyEdit(1), Qt::Key_A);
        d.accept();
    });
    EXPECT_EQ(rig.Label(Mode::A, 1), "组合键-Left Ctrl+A");
    EXPECT_EQ(rig.image().slot(Mode::A, SlotArray::ComboModifier, 1), 0x01);
    EXPECT_EQ(rig.image().slot(Mode::A, SlotArray::ComboKey1, 1), 0x04);
    EXPECT_EQ(rig.image().slot(Mode::A, SlotArray::ComboKey2, 1), 0x00);

    rig.Assign(2, 11);
    EXPECT_EQ(rig.Label(Mode::A, 2), "单键-");
    EXPECT_EQ(rig.image().slot(Mode::A, SlotArray::SingleKey, 2), 0);

    rig.Assign(3, 9);
    EXPECT_EQ(rig.Label(Mode::A, 3), "多媒体-下一首");
    rig.Assign(4, 8, [](skin::PopupFrame& d) {
        auto& windows = static_cast<CWindowsDialog&>(d);
        QTest::mouseClick(&windows, Qt::LeftButton, Qt::NoModifier,
                          CListChoiceDialog::kBox.center());
        QListWidget* list = windows.ChoiceList();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualItemRect(list->item(2)).center());
        d.accept();
    });
    EXPECT_EQ(rig.Label(Mode::A, 4), "计算器");

    rig.Apply();
    const auto matrix = rig.SentMatrix(1);
    EXPECT_EQ(matrix[1], "00 01 04 00");
    EXPECT_EQ(matrix[2], "00 00 00 00");
    EXPECT_EQ(matrix[4], "03 00 b5 00");  // box 4 is entry 4
    EXPECT_EQ(matrix[3], "03 00 92 01");  // box 5 is entry 3
}

TEST(ButtonMenu, CancelledDialogChangesNothing) {
    MenuRig rig;
    const auto before = rig.image();
    const auto labels = rig.context->text.labels;
    for (int f = 8; f <= 13; ++f) {
        rig.Assign(1, f, [](skin::PopupFrame& d) { d.reject(); });
        EXPECT_EQ(rig.menus().Menu(1), nullptr) << f;
    }
    EXPECT_EQ(rig.image().bytes, before.bytes);
    EXPECT_EQ(rig.context->text.labels, labels);
}

TEST(ButtonMenu, KeyRestoreLeavesParametersAndShownMode) {
    MenuRig rig;
    rig.Assign(1, 10, [](skin::PopupFrame& d) {
        auto& fire = static_cast<CFireKeyDialog&>(d);
        fire.SpeedEdit()->setText("77");
        d.accept();
    });
    EXPECT_EQ(rig.Label(Mode::A, 1), "Fire Key-");
    EXPECT_EQ(rig.image().slot(Mode::A, SlotArray::FireKeySpeed, 1), 77);
    rig.Click(Centre(lw::kModeBButton));       // Mode B shown
    rig.Click(Centre(lw::kKeyDefaultButton));  // Default
    EXPECT_EQ(rig.image().shownMode(), 1);
    EXPECT_EQ(rig.image().function(Mode::A, 1), 1);
    EXPECT_EQ(rig.image().slot(Mode::A, SlotArray::FireKeySpeed, 1), 77);
    EXPECT_EQ(rig.Label(Mode::A, 1), "Right Click");
    EXPECT_EQ(rig.Label(Mode::B, 5), "DPI Loop");
    EXPECT_EQ(rig.Label(Mode::A, 9), "Key Off");
}

// Every entry of the menu, chosen for box 2 with its dialog's first answer,
// reaches the mouse as the code of that function.
TEST(ButtonMenu, EveryFunctionReachesTheMouse) {
    MenuRig rig;
    {
        std::ofstream out(rig.context->paths.record);
        out << "[Only]\nMacroLoopTimes=1\nItemCount=0\n";
    }
    const std::vector<std::pair<int, std::string>> expected = {
        {0, "01 00 f0 00"},  {1, "01 00 f1 00"},  {2, "01 00 f2 00"},  {3, "01 00 f4 00"},
        {4, "01 00 f3 00"},  {5, "0a f0 22 03"},  {7, "08 00 03 00"},  {8, "03 00 83 01"},
        {9, "03 00 b5 00"},  {10, "0a 04 20 01"}, {11, "00 00 00 00"}, {12, "00 00 00 00"},
        {13, "09 00 01 00"}, {14, "08 00 02 00"}, {15, "00 00 00 00"}};
    for (const auto& [f, code] : expected) {
        if (f == 14) {
            rig.Assign(1, 15);  // Shift is only taken by a button without it
        }
        rig.Assign(1, f);
        ASSERT_EQ(rig.image().function(Mode::A, 1), f);
        rig.Apply();
        EXPECT_EQ(rig.SentMatrix(1)[1], code) << "function " << f;
        if (f == 14) rig.Assign(1, 15);
    }
}

}  // namespace
}  // namespace ornyx::keys::ui

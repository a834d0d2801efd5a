// The macro panel of the Advanced page, driven through the main window's real
// widgets on the simulated mouse: editing, recording, the delay dialog, and
// what reaches record.ini and the mouse.
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/AppContext.h"
#include "app/MainWindow.h"
#include "gui/LayoutPoints.h"
#include "macros/MacroStore.h"
#include "macros/ui/DelayTimeDialog.h"
#include "macros/ui/MacroPanel.h"
#include "profile/PrivateProfile.h"
#include "session/Defaults.h"
#include "skin/ControlColours.h"
#include "skin/PopupFrame.h"
#include "support/TempDir.h"

namespace ornyx::macros::ui {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using skin::PopupFrame;

std::string Section(const std::string& name, const std::string& loop, const Lines& items) {
    std::string s = "[" + name + "]\r\nMacroLoopTimes=" + loop +
                    "\r\nItemCount=" + std::to_string(items.size()) + "\r\n";
    for (std::size_t i = 0; i < items.size(); ++i) {
        s += "Item" + std::to_string(i) + "=" + items[i] + "\r\n";
    }
    return s;
}

// The main window on the simulated mouse, in a program home with the build's
// skins, showing the Advanced page.
class MacroPanelTest : public ::testing::Test {
protected:
    void TearDown() override { PopupFrame::ClearAutoAnswer(); }

    void Open(const std::string& recordIni = {}, const std::string& language = {}) {
        session::InitProgramHome(settings::ProgramPaths::ForHome(dir.path()));
        if (!fs::exists(dir / "Skins")) {
            fs::copy(ORNYX_SKINS_DIR, dir.path() / "Skins", fs::copy_options::recursive);
        }
        fs::remove(dir / "record.ini");
        if (!recordIni.empty()) test::WriteText(dir / "record.ini", recordIni);
        if (!language.empty())
            profile::WritePrivateProfileString(dir / "str.ini", "Skins", "Lan", language);
        app::AppOptions options;
        options.home = dir.path().string();
        options.simulate = "";
        options.trace = (dir / "trace.txt").string();
        context = std::make_unique<app::AppContext>(options, messages);
        window = std::make_unique<app::CHidMouseDlg>(*context, /*trayAvailable=*/false);
        window->Start();
        Click(Centre(lw::kAdvancedPageButton));  // the Advanced page
        ASSERT_EQ(window->CurrentPage(), app::CHidMouseDlg::kAdvancedPage);
        ASSERT_NE(window->Panel(), nullptr);
    }

    MacroPanel& panel() { return *window->Panel(); }
    QListWidget& items() { return *panel().ItemList(); }
    QListWidget& macros() { return *panel().MacroList(); }

    void Click(QPoint p) { Click(p.x(), p.y()); }
    void Click(int x, int y) {
        QTest::mouseClick(window.get(), Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
        QApplication::processEvents();
    }
    void ClickNew() { Click(Centre(lw::kNewButton)); }
    void ClickDelete() { Click(Centre(lw::kDeleteButton)); }
    void ClickConfirm() { Click(Centre(lw::kConfirmButton)); }
    void ClickStart() { Click(Centre(lw::kStartRecordButton)); }
    void ClickStop() { Click(Centre(lw::kStopRecordButton)); }
    void NewMacro(const QString& name) {
        panel().NameBox()->setText(name);
        ClickNew();
    }
    // Moves the pointer over a line of the item list: that selects it.
    void Hover(int row) {
        // Two steps: a move to where the pointer already is does not count.
        const QPoint at = items().visualItemRect(items().item(row)).center();
        QTest::mouseMove(items().viewport(), at + QPoint(2, 1));
        QTest::mouseMove(items().viewport(), at);
        QApplication::processEvents();
    }
    void ChooseMouseEvent(int entry) {
        Click(Centre(lw::kMouseEventBox));  // the mouse-event field opens the list
        QListWidget* list = panel().MouseEventList();
        ASSERT_NE(list, nullptr);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualItemRect(list->item(entry)).center());
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // A double click as the window system delivers it: press, release, then
    // the double-click event and its release.
    static void DoubleClick(QListWidget& list, int row) {
        const QPoint at = list.visualItemRect(list.item(row)).center();
        QWidget* viewport = list.viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, at);
        QMouseEvent dbl(QEvent::MouseButtonDblClick, at, viewport->mapToGlobal(at), Qt::LeftButton,
                        Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &dbl);
        QMouseEvent up(QEvent::MouseButtonRelease, at, viewport->mapToGlobal(at), Qt::LeftButton,
                       Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &up);
        QApplication::processEvents();
    }
    void Key(Qt::Key key, bool press, bool repeat = false, std::uint64_t at = 0) {
        // Letters carry their text, as the keyboard layout gives it.
        const QString text =
            key >= Qt::Key_A && key <= Qt::Key_Z ? QString(QChar(key)).toLower() : QString();
        QKeyEvent event(press ? QEvent::KeyPress : QEvent::KeyRelease, key, Qt::NoModifier, text,
                        repeat);
        event.setTimestamp(at != 0 ? at : ++timestamp);
        QApplication::sendEvent(window.get(), &event);
    }
    void Tap(Qt::Key key) {
        Key(key, true);
        Key(key, false);
    }
    Lines Shown() const { return window->Panel()->Items(); }
    std::vector<std::string> Texts() const {
        std::vector<std::string> t;
        for (const auto& m : messages.messages) t.push_back(m.text);
        return t;
    }
    std::vector<std::string> Trace() const {
        std::ifstream in(dir / "trace.txt");
        std::vector<std::string> lines;
        for (std::string l; std::getline(in, l);) lines.push_back(l);
        return lines;
    }
    // The 128 bytes that the last write of macro slot `slot` carried.
    std::vector<int> SlotOnTheWire(int slot) const {
        const auto lines = Trace();
        char head[32];
        std::snprintf(head, sizeof head, "set-feature 00 13 %02x 80", slot);
        std::vector<int> bytes;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].rfind(head, 0) != 0) continue;
            bytes.clear();
            for (std::size_t j = i + 1; j < lines.size() && bytes.size() < 128; ++j) {
                if (lines[j].rfind("write ", 0) != 0) continue;
                std::istringstream hex(lines[j].substr(6));
                std::string b;
                hex >> b;  // the report ID
                while (hex >> b && bytes.size() < 128) bytes.push_back(std::stoi(b, nullptr, 16));
            }
        }
        return bytes;
    }

    test::TempDir dir;
    RecordingMessageSink messages;
    std::unique_ptr<app::AppContext> context;
    std::unique_ptr<app::CHidMouseDlg> window;
    std::uint64_t timestamp = 1000;
};

TEST_F(MacroPanelTest, RecordedAndInsertedMacroIsStoredAndReachesTheMouse) {
    Open();
    NewMacro("Burst");
    ASSERT_EQ(macros().count(), 1);
    EXPECT_EQ(macros().currentRow(), 0);

    ClickStart();
    EXPECT_TRUE(panel().Recorder().Recording());
    EXPECT_EQ(window->windowTitle(), "Press Ctrl+Break key to stop recording");
    Tap(Qt::Key_A);
    Tap(Qt::Key_B);
    ClickStop();
    EXPECT_FALSE(panel().Recorder().Recording());
    EXPECT_EQ(window->windowTitle(), "Ornyx Mouse");
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Start Recording", "Stop Recording"}));
    EXPECT_EQ(Shown(), (Lines{"A   Dn", "50 ms", "A   Up", "50 ms", "B   Dn", "50 ms", "B   Up"}));

    // The recorder leaves the last line selected: the click goes in after it.
    ChooseMouseEvent(0);
    EXPECT_EQ(panel().MouseEventField()->text(), "L-Button Click");
    EXPECT_FALSE(panel().MouseEventListOpen());
    ClickConfirm();

    const Lines stored = {"A   Dn", "50 ms", "A   Up",        "50 ms", "B   Dn",       "50 ms",
                          "B   Up", "50 ms", "L-Button   Dn", "50 ms", "L-Button   Up"};
    EXPECT_EQ(Shown(), stored);
    const auto onFile = ReadMacro(dir / "record.ini", "Burst");
    ASSERT_TRUE(onFile.has_value());
    EXPECT_EQ(onFile->items, stored);
    EXPECT_EQ(onFile->loopTimes, "1");

    Click(Centre(lw::kApplyButton));  // Apply
    std::vector<int> expected = {0x00, 0x01, 0x05, 0x04, 0x85, 0x04, 0x05,
                                 0x05, 0x85, 0x05, 0x05, 0xF0, 0x80, 0xF0};
    expected.resize(128, 0);
    EXPECT_EQ(SlotOnTheWire(1), expected);
}

TEST_F(MacroPanelTest, PanelIsBuiltFromRecordIniAndColoured) {
    Open(Section("One", "3", {"C   Dn", "50 ms", "C   Up"}) + Section("Two", "1", {}));
    ASSERT_EQ(macros().count(), 2);
    EXPECT_EQ(macros().item(1)->text(), "Two");
    EXPECT_EQ(macros().currentRow(), 0);
    EXPECT_EQ(panel().NameBox()->text(), "One");
    EXPECT_EQ(Shown(), (Lines{"C   Dn", "50 ms", "C   Up"}));
    // The box shows slot 1's loop count, the mouse's, and writes it back.
    const auto slotLoops =
        context->settings.image.macroSlot(1)[0] * 256 + context->settings.image.macroSlot(1)[1];
    const QString expectedLoops = slotLoops >= 1 ? QString::number(slotLoops) : QString("1");
    EXPECT_EQ(panel().LoopTimesBox()->text(), expectedLoops);
    EXPECT_EQ(macros().palette().color(QPalette::Base), skin::kMacroListBackground);
    EXPECT_EQ(items().palette().color(QPalette::Base), skin::kMacroListBackground);

    // Choosing another macro loads it; the first one's unconfirmed edit is gone.
    Hover(1);
    panel().DeleteItem();
    macros().setCurrentRow(1);
    EXPECT_EQ(panel().NameBox()->text(), "Two");
    EXPECT_TRUE(Shown().empty());
    macros().setCurrentRow(0);
    EXPECT_EQ(Shown().size(), 3u);

    // Loop times: anything outside 1..65535 becomes 1, in the box and the file.
    panel().LoopTimesBox()->setText("70000");
    EXPECT_EQ(panel().LoopTimesBox()->text(), "1");
    panel().LoopTimesBox()->setText("12");
    EXPECT_EQ(ReadMacro(dir / "record.ini", "One")->loopTimes, "12");
    EXPECT_EQ(context->settings.image.macroSlot(1)[1], 12);
}

TEST_F(MacroPanelTest, NewRefusesBlankDuplicateAndThirteenthNames) {
    std::string twelve;
    for (int i = 1; i <= 11; ++i) twelve += Section("M" + std::to_string(i), "1", {"A   Dn"});
    Open(twelve + Section("Burst", "1", {"A   Dn"}));
    ASSERT_EQ(macros().count(), 12);
    NewMacro("Fresh");
    EXPECT_EQ(messages.messages.back().text, "Macro numbers up to 12.");
    EXPECT_EQ(messages.messages.back().caption, "Warning");
    EXPECT_EQ(macros().count(), 12);

    ClickDelete();  // removes the selected first macro, from the list and the file
    EXPECT_EQ(macros().count(), 11);
    EXPECT_EQ(ListMacroNames(dir / "record.ini").size(), 11u);
    EXPECT_TRUE(panel().NameBox()->text().isEmpty());
    NewMacro("bURST");
    EXPECT_EQ(messages.messages.back().text, "Macro name already exists");
    NewMacro("   ");
    EXPECT_EQ(messages.messages.back().text, "Macro name is blank");
    EXPECT_EQ(macros().count(), 11);
    NewMacro("Fresh");
    EXPECT_EQ(macros().count(), 12);
    EXPECT_EQ(macros().currentRow(), 11);
    EXPECT_TRUE(Shown().empty());
}

TEST_F(MacroPanelTest, MouseEventsGoInWhereTheyKeepEventsAndDelaysAlternating) {
    Open(Section("Other", "1", {"A   Dn"}));
    // Nothing selected and an empty list: nothing goes in, the field still shows it.
    ClickDelete();
    ChooseMouseEvent(5);
    EXPECT_TRUE(Shown().empty());
    EXPECT_EQ(panel().MouseEventField()->text(), "R-Button   Dn");

    NewMacro("Clicks");
    ChooseMouseEvent(0);
    EXPECT_EQ(Shown(), (Lines{"L-Button   Dn", "50 ms", "L-Button   Up", "50 ms"}));

    // After the event at position 0: a delay first, the new event selected.
    Hover(0);
    ChooseMouseEvent(5);
    EXPECT_EQ(Shown(), (Lines{"L-Button   Dn", "50 ms", "R-Button   Dn", "50 ms", "L-Button   Up",
                              "50 ms"}));
    EXPECT_EQ(items().currentRow(), 2);

    // After a delay: the events, each followed by a delay.
    Hover(1);
    ChooseMouseEvent(2);
    EXPECT_EQ(Shown(), (Lines{"L-Button   Dn", "50 ms", "M-Button   Dn", "50 ms", "M-Button   Up",
                              "50 ms", "R-Button   Dn", "50 ms", "L-Button   Up", "50 ms"}));
    EXPECT_EQ(items().currentRow(), 2);

    // A press outside the open list and its field closes it.
    Click(Centre(lw::kMouseEventBox));
    ASSERT_TRUE(panel().MouseEventListOpen());
    Click(300, 600);
    EXPECT_FALSE(panel().MouseEventListOpen());
    Click(Centre(lw::kMouseEventBox));
    Click(Centre(lw::kMouseEventBox));  // the field again closes it too
    EXPECT_FALSE(panel().MouseEventListOpen());

    // Open, it stays inside the macro panel, leaves New, Delete and Confirm
    // uncovered, and shows every entry without scrolling.
    Click(Centre(lw::kMouseEventBox));
    auto* open = window->findChild<QListWidget*>("mouseEventList");
    ASSERT_NE(open, nullptr);
    const QRect macroCard = skin::ToQRect(lw::kMacroCard);
    EXPECT_TRUE(macroCard.contains(open->geometry())) << open->geometry().bottom();
    EXPECT_FALSE(open->geometry().intersects(
        skin::ToQRect(lw::kNewButton).united(skin::ToQRect(lw::kConfirmButton))));
    EXPECT_EQ(open->verticalScrollBar()->maximum(), 0);
    Click(Centre(lw::kMouseEventBox));

    // The context menu's Delete takes one line; its neighbouring delay stays.
    Hover(2);
    const QPoint at = items().visualItemRect(items().item(2)).center();
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, items().viewport()->mapToGlobal(at));
    QApplication::sendEvent(items().viewport(), &menuEvent);
    QMenu* menu = window->findChild<QMenu*>("itemMenu");
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), "Delete");
    menu->actions()[0]->trigger();
    menu->close();
    EXPECT_EQ(Shown().size(), 9u);
    EXPECT_EQ(Shown()[2], "50 ms");
    EXPECT_EQ(Shown()[3], "M-Button   Up");
}

TEST_F(MacroPanelTest, DoubleClickOnADelayEditsItThroughTheDelayDialog) {
    Open(Section("Delays", "1", {"A   Dn", "50 ms", "A   Up", "50 ms", "B   Dn"}));
    int opened = 0;
    QString typed;
    PopupFrame::SetAutoAnswer([&](PopupFrame& dialog) {
        ++opened;
        auto* box = dialog.findChild<QLineEdit*>("delayValue");
        ASSERT_NE(box, nullptr);
        QTest::keyClicks(box, typed);
        if (typed == "cancel") {
            dialog.reject();
        } else {
            dialog.accept();
        }
    });
    const auto doubleClick = [&](int row) {
        Hover(row);
        DoubleClick(items(), row);
    };

    doubleClick(0);  // an event line: no dialog
    EXPECT_EQ(opened, 0);

    typed = "2000";
    doubleClick(1);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(Shown()[1], "2000 ms");
    EXPECT_EQ(items().currentRow(), 1);

    typed = "10001";  // above the limit: the default delay
    doubleClick(3);
    EXPECT_EQ(Shown()[3], "50 ms");

    typed = "10000";
    doubleClick(3);
    EXPECT_EQ(Shown()[3], "10000 ms");

    typed = "";  // an empty box is no delay at all, kept as typed
    doubleClick(1);
    EXPECT_EQ(Shown()[1], " ms");
    typed = "007";
    doubleClick(1);
    EXPECT_EQ(Shown()[1], "007 ms");

    typed = "cancel";  // letters do not get in, and Cancel changes nothing
    doubleClick(3);
    EXPECT_EQ(Shown()[3], "10000 ms");
    EXPECT_EQ(opened, 6);

    // The long delay packs as two pairs once confirmed.
    ClickConfirm();
    const auto slot = context->settings.image.macroSlot(1);
    EXPECT_EQ(std::vector<int>(slot.begin() + 2, slot.begin() + 10),
              (std::vector<int>{0x00, 0x04, 0x80, 0x04, 0x64, 0x03, 0x00, 0x05}));
}

TEST_F(MacroPanelTest, RecorderDropsAutoRepeatAndStopsAfterSixtyFourEvents) {
    Open(Section("Keys", "1", {"Z   Dn"}));
    ClickStart();
    EXPECT_TRUE(Shown().empty());  // a start empties the item list
    Key(Qt::Key_A, true);
    for (int i = 0; i < 10; ++i) Key(Qt::Key_A, true, /*repeat=*/true);
    Key(Qt::Key_A, false);
    EXPECT_EQ(Shown(), (Lines{"A   Dn", "50 ms", "A   Up"}));

    // 2 events so far; 62 more fill the recording, the next one ends it.
    for (int i = 0; i < 31; ++i) Tap(i % 2 == 0 ? Qt::Key_B : Qt::Key_C);
    EXPECT_TRUE(panel().Recorder().Recording());
    EXPECT_EQ(Shown().size(), 64u + 63u);
    messages.messages.clear();
    Key(Qt::Key_D, true);
    EXPECT_FALSE(panel().Recorder().Recording());
    EXPECT_EQ(Shown().size(), 64u + 63u);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Stop Recording"}));
    EXPECT_EQ(Shown().back(), "B   Up");
}

TEST_F(MacroPanelTest, HeldKeyRecordsOnePairAtEveryRepeatRate) {
    Open(Section("Keys", "1", {"Z   Dn"}));
    // X11 repeats a held key as release/press pairs with equal times; the
    // window system flags them only when it sees both halves at once, which
    // fails now and then (here: every third pair, and the first).
    for (const int rateHz : {15, 25, 33, 50}) {
        for (const int holdMs : {800, 1500}) {
            SCOPED_TRACE(testing::Message() << rateHz << " Hz, " << holdMs << " ms");
            ClickStart();
            std::uint64_t t = timestamp + 1000;
            Key(Qt::Key_A, true, false, t);
            int pair = 0;
            for (int ms = 500; ms < holdMs; ms += 1000 / rateHz, ++pair) {
                const bool flagged = pair % 3 != 0;
                Key(Qt::Key_A, false, flagged, t + static_cast<std::uint64_t>(ms));
                Key(Qt::Key_A, true, flagged, t + static_cast<std::uint64_t>(ms));
            }
            Key(Qt::Key_A, false, false, t + static_cast<std::uint64_t>(holdMs));
            timestamp = t + static_cast<std::uint64_t>(holdMs) + 10;
            Tap(Qt::Key_B);
            EXPECT_EQ(Shown(),
                      (Lines{"A   Dn", "50 ms", "A   Up", "50 ms", "B   Dn", "50 ms", "B   Up"}));
            ClickStop();
        }
    }
}

TEST_F(MacroPanelTest, StopWithoutARecordingAndStartWithoutAMacroOnlyWarn) {
    Open();
    ClickStop();
    ASSERT_EQ(messages.messages.size(), 2u);
    EXPECT_EQ(messages.messages[0].text, "Stop Recording");
    EXPECT_EQ(messages.messages[1].text,
              "It doesn\u2019t start recording, unnecessary to press Stop key!");
    EXPECT_EQ(messages.messages[1].caption, "Warning");

    messages.messages.clear();
    ClickStart();  // the list is empty
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text, "Macro name is blank");
    EXPECT_EQ(messages.messages[0].caption, "Warning");
    EXPECT_FALSE(panel().Recorder().Recording());

    // After a finished recording, Stop warns again.
    NewMacro("M");
    ClickStart();
    ClickStop();
    messages.messages.clear();
    ClickStop();
    EXPECT_EQ(Texts().size(), 2u);
}

TEST_F(MacroPanelTest, WhileRecordingKeysAreKeptFromTheWindowAndCtrlBreakStops) {
    Open(Section("Keys", "1", {"Z   Dn"}));
    panel().NameBox()->setFocus();
    window->show();
    ClickStart();
    QTest::keyClick(panel().NameBox(), Qt::Key_X);
    EXPECT_EQ(panel().NameBox()->text(), "Keys");  // typing did not reach the box
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible());  // Escape did not hide the window
    EXPECT_EQ(Shown(),
              (Lines{"X   Dn", "50 ms", "X   Up", "50 ms", "Esc   Dn", "50 ms", "Esc   Up"}));

    // The delay dialog opened meanwhile takes its digits; they are not recorded.
    PopupFrame::SetAutoAnswer([](PopupFrame& dialog) {
        QTest::keyClicks(dialog.findChild<QLineEdit*>("delayValue"), "300");
        dialog.accept();
    });
    Hover(1);
    DoubleClick(items(), 1);
    EXPECT_EQ(Shown(),
              (Lines{"X   Dn", "300 ms", "X   Up", "50 ms", "Esc   Dn", "50 ms", "Esc   Up"}));
    EXPECT_TRUE(panel().Recorder().Recording());

    messages.messages.clear();
    QTest::keyClick(window.get(), Qt::Key_Pause, Qt::ControlModifier);
    EXPECT_FALSE(panel().Recorder().Recording());
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Stop Recording"}));
    // The Ctrl that led to Break is not part of the macro.
    EXPECT_EQ(Shown().back(), "Esc   Up");
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // Recording is over: keys reach the window again.
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_TRUE(window->isMinimized());  // no tray: put away to the taskbar
}

TEST_F(MacroPanelTest, LeavingThePageEndsTheRecordingSilentlyAndKeepsTheItems) {
    Open(Section("Keys", "1", {"Z   Dn"}));
    ClickStart();
    Tap(Qt::Key_Q);
    messages.messages.clear();
    Click(Centre(lw::kBasicPageButton));  // the Basic page
    EXPECT_FALSE(panel().Recorder().Recording());
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(window->windowTitle(), "Ornyx Mouse");
    EXPECT_FALSE(items().isVisible());
    Tap(Qt::Key_W);  // no longer recorded
    Click(Centre(lw::kAdvancedPageButton));
    EXPECT_TRUE(items().isVisible());
    EXPECT_EQ(Shown(), (Lines{"Q   Dn", "50 ms", "Q   Up"}));
}

TEST_F(MacroPanelTest, ConfirmMovesTheSectionLastAndRepacksInFileOrder) {
    Open(Section("First", "1", {"A   Dn", "50 ms"}) + Section("Second", "2", {"B   Dn", "50 ms"}) +
         Section("Third", "3", {"C   Dn", "50 ms"}));
    ASSERT_EQ(macros().currentRow(), 0);
    ChooseMouseEvent(3);  // after the selected line? none is selected: the list is not empty
    EXPECT_EQ(Shown().size(), 2u);
    Hover(1);
    ChooseMouseEvent(4);  // "L-Button   Up" after the delay
    ClickConfirm();
    EXPECT_EQ(ListMacroNames(dir / "record.ini"), (Lines{"Second", "Third", "First"}));
    // The list on screen keeps its order.
    EXPECT_EQ(macros().item(0)->text(), "First");
    const auto& image = context->settings.image;
    EXPECT_EQ(image.macroSlot(1)[1], 2);
    EXPECT_EQ(image.macroSlot(1)[3], 0x05);  // B
    EXPECT_EQ(image.macroSlot(2)[3], 0x06);  // C
    EXPECT_EQ(image.macroSlot(3)[3], 0x04);  // A
    EXPECT_EQ(image.macroSlot(3)[5], 0xF0);  // then the left button
    EXPECT_EQ(image.macroSlot(3)[4], 0x85);  // released after 50 ms
}

// The filled panel and the delay dialog as the user sees them, in English and
// Simplified Chinese. With ORNYX_SHOT_DIR set the pictures are kept there.
TEST_F(MacroPanelTest, FilledPanelAndDelayDialogDraw) {
    for (const std::string language : {"ENG", "CHS"}) {
        SCOPED_TRACE(language);
        window.reset();
        context.reset();
        Open(Section("Burst", "3",
                     {"A   Dn", "50 ms", "A   Up", "50 ms", "L-Button   Dn", "50 ms",
                      "L-Button   Up"}) +
                 Section("Combo", "1", {"Ctrl   Dn"}),
             language);
        window->show();
        Hover(3);
        ChooseMouseEvent(1);
        Click(Centre(lw::kMouseEventBox));  // the list stays open in the picture
        const QImage shot = window->grab().toImage();
        // The lists' own background shows through between their lines.
        const QPoint below = MacroPanel::kItemListRect.bottomLeft() + QPoint(40, -10);
        EXPECT_EQ(shot.pixelColor(below), skin::kMacroListBackground);
        EXPECT_TRUE(panel().MouseEventList()->isVisible());

        QImage dialogShot;
        PopupFrame::SetAutoAnswer([&](PopupFrame& dialog) {
            QTest::keyClicks(dialog.findChild<QLineEdit*>("delayValue"), "250");
            dialogShot = dialog.grab().toImage();
            dialog.reject();
        });
        Click(300, 600);
        Hover(1);
        DoubleClick(items(), 1);
        ASSERT_FALSE(dialogShot.isNull());
        // The prompt is drawn in white (antialiased: near white) in its band.
        bool white = false;
        const QRect band = CDelayTimeDialog::kPromptRect;
        for (int x = band.left(); x <= band.right(); ++x) {
            for (int y = band.top(); y <= band.bottom(); ++y) {
                const QColor c = dialogShot.pixelColor(x, y);
                white = white || std::min({c.red(), c.green(), c.blue()}) > 200;
            }
        }
        EXPECT_TRUE(white);
        const QString keep = qEnvironmentVariable("ORNYX_SHOT_DIR");
        if (!keep.isEmpty()) {
            const QString suffix = QString::fromStdString(language) + ".png";
            shot.save(keep + "/advanced-" + suffix);
            dialogShot.save(keep + "/delay-" + suffix);
        }
    }
}

TEST(DelayTimeDialogTest, ShowsThePromptAndKeepsTextAndValueCurrent) {
    test::TempDir dir;
    session::InitProgramHome(settings::ProgramPaths::ForHome(dir.path()));
    fs::copy(ORNYX_SKINS_DIR, dir.path() / "Skins", fs::copy_options::recursive);
    const skin::DrawingSettings drawing{dir.path() / "Skins", "Obsidian", 255, 255, 255};
    RecordingMessageSink sink;
    CDelayTimeDialog dialog({drawing, i18n::Language::English, sink});
    ASSERT_TRUE(dialog.Initialise()) << (sink.messages.empty() ? "" : sink.messages[0].caption);
    ASSERT_NE(dialog.ValueBox(), nullptr);
    QTest::keyClicks(dialog.ValueBox(), "12x3");
    EXPECT_EQ(dialog.Text(), "123");
    EXPECT_EQ(dialog.Value(), 123);
    dialog.ValueBox()->clear();
    EXPECT_EQ(dialog.Value(), 0);

    // Without its background the dialog says so and ends as cancelled.
    const skin::DrawingSettings missing{dir.path() / "nowhere", "", 255, 255, 255};
    CDelayTimeDialog broken({missing, i18n::Language::English, sink});
    EXPECT_EQ(broken.exec(), QDialog::Rejected);
    ASSERT_FALSE(sink.messages.empty());
    EXPECT_EQ(sink.messages.back().text.rfind("error\n", 0), 0u);
    EXPECT_EQ(sink.messages.back().caption, "DelayTime Dialog Load background image failed!!!");
    EXPECT_EQ(broken.ValueBox(), nullptr);
}

}  // namespace
}  // namespace ornyx::macros::ui

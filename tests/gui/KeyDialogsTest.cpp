// The key parameter dialogs and the macro pop-up, driven through their real
// widgets offscreen, with the project's own skins.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "common/MessageSink.h"
#include "i18n/Texts.h"
#include "keys/KeyTables.h"
#include "keys/ui/KeyCapture.h"
#include "keys/ui/KeyDialogs.h"
#include "macros/ui/MacroDialog.h"
#include "support/TempDir.h"

namespace ornyx::keys::ui {
namespace {

using i18n::Language;

class KeyDialogs : public ::testing::Test {
protected:
    skin::PopupContext Context(Language language = Language::English) {
        return {drawing_, language, messages_};
    }

    // Shows a dialog as exec() would, without a modal loop, with the focus in it.
    static void Show(skin::PopupFrame& dialog) {
        ASSERT_TRUE(dialog.Initialise());
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        QApplication::processEvents();
    }
    static void Click(QWidget& w, const QPoint& p) {
        QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, p);
        QApplication::processEvents();
    }
    // Clicks entry `row` of a list as the user would.
    static void ClickEntry(QListWidget& list, int row) {
        const QRect r = list.visualItemRect(list.item(row));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
        QApplication::processEvents();
    }
    // A key as the window system delivers it, with its native codes: X11's and
    // Wayland's (evdev + 8), or Windows' scan code (0x100 for an extended key)
    // and virtual key.
    struct Native {
        std::uint32_t evdev;
        std::uint32_t windowsScan;
        std::uint32_t windowsVirtualKey;
    };
    static constexpr Native kRightCtrl{97, 0x11D, 0xA3};
    static constexpr Native kQ{16, 0x10, 0x51};
    static void NativeKey(QWidget& target, int qtKey, Native key, const QString& text = {}) {
#ifdef _WIN32
        const std::uint32_t scan = key.windowsScan;
        const std::uint32_t virtualKey = key.windowsVirtualKey;
#else
        const std::uint32_t scan = key.evdev + 8;
        const std::uint32_t virtualKey = 0;
#endif
        QKeyEvent press(QEvent::KeyPress, qtKey, Qt::NoModifier, scan, virtualKey, 0, text);
        QApplication::sendEvent(&target, &press);
        QKeyEvent release(QEvent::KeyRelease, qtKey, Qt::NoModifier, scan, virtualKey, 0, text);
        QApplication::sendEvent(&target, &release);
        QApplication::processEvents();
    }
    static QString Shown(QWidget& dialog, const QRect& area) {
        for (QLabel* label : dialog.findChildren<QLabel*>()) {
            if (label->geometry() == area) return label->text();
        }
        return "<no field>";
    }

    RecordingMessageSink messages_;
    skin::DrawingSettings drawing_{ORNYX_SKINS_DIR, "Obsidian", 255, 255, 255};
};

TEST_F(KeyDialogs, KeyCaptureNamesSynthesisedAndNativeKeys) {
    std::vector<CapturedKey> seen;
    QWidget target;
    target.show();
    {
        KeyCapture capture([&](const CapturedKey& k) {
            seen.push_back(k);
            return false;
        });
        QTest::keyClick(&target, Qt::Key_A);
        QTest::keyClick(&target, Qt::Key_Enter, Qt::KeypadModifier);
        QTest::keyClick(&target, Qt::Key_Return);
        NativeKey(target, Qt::Key_Control, kRightCtrl);
        NativeKey(target, Qt::Key_Q, kQ, "a");  // AZERTY: the layout names the key
    }
    QTest::keyClick(&target, Qt::Key_B);  // removed with its owner: no longer seen
    ASSERT_EQ(seen.size(), 10u);          // press and release, each once
    const std::vector<std::string> names = {"A", "Num Enter", "Enter", "Right Ctrl", "A"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(seen[2 * i].name, names[i]);
        EXPECT_TRUE(seen[2 * i].press);
        EXPECT_EQ(seen[2 * i + 1].name, names[i]);
        EXPECT_FALSE(seen[2 * i + 1].press);
    }
}

TEST_F(KeyDialogs, SingleKeyTakesEnterAndEscAsKeys) {
    CSingleDialog dialog(Context());
    Show(dialog);
    EXPECT_TRUE(dialog.Capturing());
    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());  // Enter did not end it
    EXPECT_EQ(dialog.KeyName(), "Enter");
    EXPECT_EQ(Shown(dialog, CSingleDialog::kKeyNameRect), "Enter");
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.KeyName(), "Esc");
    QTest::keyClick(&dialog, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(dialog.KeyName(), "Num Enter");
    EXPECT_EQ(KeyNameToUsage(dialog.KeyName()), 0x58);
    Click(dialog, skin::PopupFrame::kOkRect.center());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.KeyName(), "Num Enter");
}

TEST_F(KeyDialogs, SingleKeyConfirmedAtOnceIsEmpty) {
    skin::PopupFrame::SetAutoAnswer(QDialog::Accepted);
    CSingleDialog dialog(Context());
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    skin::PopupFrame::ClearAutoAnswer();
    EXPECT_EQ(dialog.KeyName(), "");
    EXPECT_EQ(KeyNameToUsage(dialog.KeyName()), 0);
}

TEST_F(KeyDialogs, ComboRecordsOnlyIntoTheFocusedKeyField) {
    CComboDialog dialog(Context());
    Show(dialog);
    dialog.setFocus();
    QTest::keyClick(&dialog, Qt::Key_A);
    EXPECT_EQ(dialog.KeyName1(), "");
    EXPECT_EQ(dialog.KeyName2(), "");

    Click(*dialog.KeyEdit(2), QPoint(5, 5));
    ASSERT_TRUE(dialog.KeyEdit(2)->hasFocus());
    NativeKey(*dialog.KeyEdit(2), Qt::Key_Control, kRightCtrl);
    EXPECT_EQ(dialog.KeyName2(), "Right Ctrl");
    EXPECT_EQ(dialog.KeyEdit(2)->text(), "Right Ctrl");
    EXPECT_EQ(dialog.KeyName1(), "");

    // While the modifier list is open the fields are disabled and deaf.
    Click(dialog, CComboDialog::kModifierBox.center());
    ASSERT_TRUE(dialog.ListOpen());
    EXPECT_FALSE(dialog.KeyEdit(1)->isEnabled());
    EXPECT_FALSE(dialog.KeyEdit(2)->isEnabled());
    QTest::keyClick(&dialog, Qt::Key_B);
    EXPECT_EQ(dialog.KeyName2(), "Right Ctrl");
    ClickEntry(*dialog.ModifierList(), 0);
    EXPECT_FALSE(dialog.ListOpen());
    EXPECT_TRUE(dialog.KeyEdit(1)->isEnabled());
    EXPECT_EQ(dialog.ModifierName(), "Left Ctrl");
    EXPECT_EQ(Shown(dialog, CComboDialog::kModifierRect), "Left Ctrl");

    // Enter is a key here, not the dialog's answer.
    Click(*dialog.KeyEdit(1), QPoint(5, 5));
    QTest::keyClick(dialog.KeyEdit(1), Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.KeyName1(), "Enter");
    dialog.reject();
}

TEST_F(KeyDialogs, ComboListClosesOnAPressElsewhere) {
    CComboDialog dialog(Context());
    Show(dialog);
    Click(dialog, CComboDialog::kModifierBox.center());
    ASSERT_TRUE(dialog.ListOpen());
    Click(dialog, QPoint(300, 150));
    EXPECT_FALSE(dialog.ListOpen());
    EXPECT_TRUE(dialog.KeyEdit(1)->isEnabled());
    // The box toggles it.
    Click(dialog, CComboDialog::kModifierBox.center());
    Click(dialog, CComboDialog::kModifierBox.center());
    EXPECT_FALSE(dialog.ListOpen());
    dialog.reject();
}

TEST_F(KeyDialogs, FireKeyDefaultsWhenConfirmedAtOnce) {
    skin::PopupFrame::SetAutoAnswer(QDialog::Accepted);
    CFireKeyDialog dialog(Context());
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    skin::PopupFrame::ClearAutoAnswer();
    EXPECT_EQ(dialog.KeyIndex(), 0);
    EXPECT_EQ(dialog.KeyText(), "");
    EXPECT_EQ(dialog.Speed(), 32);
    EXPECT_EQ(dialog.Times(), 1);
}

TEST_F(KeyDialogs, FireKeyEditRules) {
    CFireKeyDialog dialog(Context());
    Show(dialog);
    QLineEdit& times = *dialog.TimesEdit();
    QLineEdit& speed = *dialog.SpeedEdit();
    EXPECT_EQ(speed.text(), "32");
    EXPECT_EQ(times.text(), "1");

    // Times: 300 turns into 1 as the third digit arrives; empty is 0.
    Click(times, QPoint(5, 5));
    times.selectAll();
    QTest::keyClicks(&times, "30");
    EXPECT_EQ(times.text(), "30");
    EXPECT_EQ(dialog.Times(), 30);
    QTest::keyClick(&times, Qt::Key_0);
    EXPECT_EQ(times.text(), "1");
    EXPECT_EQ(dialog.Times(), 1);
    times.selectAll();
    QTest::keyClick(&times, Qt::Key_Backspace);
    EXPECT_EQ(dialog.Times(), 0);
    QTest::keyClicks(&times, "x");  // not a digit: refused
    EXPECT_EQ(times.text(), "");

    // Speed: 3 becomes 5 when the field loses the focus.
    Click(speed, QPoint(5, 5));
    speed.selectAll();
    QTest::keyClicks(&speed, "3");
    Click(times, QPoint(5, 5));
    EXPECT_EQ(speed.text(), "5");
    EXPECT_EQ(dialog.Speed(), 5);

    // 255 typed and confirmed with the field still focused is taken over.
    Click(speed, QPoint(5, 5));
    speed.selectAll();
    QTest::keyClicks(&speed, "255");
    ASSERT_TRUE(speed.hasFocus());
    QTest::keyClick(&speed, Qt::Key_Return);  // Enter confirms in this dialog
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Speed(), 255);
}

TEST_F(KeyDialogs, FireKeySpeedAboveTheRangeIsReplacedAtOk) {
    CFireKeyDialog dialog(Context());
    Show(dialog);
    Click(*dialog.SpeedEdit(), QPoint(5, 5));
    dialog.SpeedEdit()->selectAll();
    QTest::keyClicks(dialog.SpeedEdit(), "99999999999999");
    Click(dialog, skin::PopupFrame::kOkRect.center());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Speed(), 5);
}

TEST_F(KeyDialogs, FireKeyListChoiceAndWheel) {
    CFireKeyDialog dialog(Context());
    Show(dialog);
    Click(dialog, CFireKeyDialog::kKeyBox.center());
    ASSERT_TRUE(dialog.ListOpen());
    QListWidget& list = *dialog.KeyList();
    EXPECT_EQ(list.count(), 61);
    EXPECT_FALSE(dialog.SpeedEdit()->isEnabled());
    // The wheel scrolls the list by three lines per notch, wherever it turns.
    const int before = list.verticalScrollBar()->value();
    QWheelEvent down(QPointF(300, 100), dialog.mapToGlobal(QPointF(300, 100)), QPoint(),
                     QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&dialog, &down);
    EXPECT_EQ(list.verticalScrollBar()->value(), before + 3);
    list.scrollToItem(list.item(39));
    ClickEntry(list, 39);
    EXPECT_FALSE(dialog.ListOpen());
    EXPECT_TRUE(dialog.SpeedEdit()->isEnabled());
    EXPECT_EQ(dialog.KeyIndex(), 39);
    EXPECT_EQ(dialog.KeyText(), "R-CTRL");
    EXPECT_EQ(FireKeyCode(static_cast<std::size_t>(dialog.KeyIndex())), 0xE4);
    EXPECT_EQ(Shown(dialog, CFireKeyDialog::kKeyRect), "R-CTRL");
    dialog.reject();
}

TEST_F(KeyDialogs, ListDialogsConfirmedAtOnceGiveEntryZero) {
    skin::PopupFrame::SetAutoAnswer(QDialog::Accepted);
    {
        CWindowsDialog dialog(Context(Language::ChineseSimplified));
        EXPECT_EQ(dialog.exec(), QDialog::Accepted);
        EXPECT_EQ(dialog.ChosenIndex(), 0);
        EXPECT_EQ(dialog.ChosenText(), i18n::WindowsFunctionNames(Language::ChineseSimplified)[0]);
    }
    {
        // Turkish shows entry 0 without its trailing blank before a choice.
        CWindowsDialog dialog(Context(Language::Turkish));
        EXPECT_EQ(dialog.exec(), QDialog::Accepted);
        EXPECT_EQ(dialog.ChosenText(), "Multimedya oynatıcı");
        EXPECT_EQ(Shown(dialog, CListChoiceDialog::kChosenRect), "Multimedya oynatıcı");
    }
    {
        CMediaDialog dialog(Context(Language::English));
        EXPECT_EQ(dialog.exec(), QDialog::Accepted);
        EXPECT_EQ(dialog.ChosenIndex(), 0);
        EXPECT_EQ(dialog.ChosenText(), "Next");
    }
    skin::PopupFrame::ClearAutoAnswer();
}

TEST_F(KeyDialogs, ListDialogsChooseCloseAndCancel) {
    CWindowsDialog dialog(Context());
    Show(dialog);
    Click(dialog, CListChoiceDialog::kBox.center());
    ASSERT_TRUE(dialog.ListOpen());
    EXPECT_EQ(dialog.ChoiceList()->count(), 11);
    EXPECT_EQ(dialog.ChoiceList()->geometry(), CWindowsDialog::kListRect);
    ClickEntry(*dialog.ChoiceList(), 2);
    EXPECT_FALSE(dialog.ListOpen());
    EXPECT_EQ(dialog.ChosenIndex(), 2);
    EXPECT_EQ(dialog.ChosenText(), "Calculator");
    // A press outside closes an open list without a choice.
    Click(dialog, CListChoiceDialog::kBox.center());
    Click(dialog, QPoint(300, 60));
    EXPECT_FALSE(dialog.ListOpen());
    EXPECT_EQ(dialog.ChosenIndex(), 2);
    Click(dialog, skin::PopupFrame::kCancelRect.center());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);

    CMediaDialog media(Context());
    Show(media);
    Click(media, CListChoiceDialog::kBox.center());
    EXPECT_EQ(media.ChoiceList()->count(), 7);
    ClickEntry(*media.ChoiceList(), 6);
    EXPECT_EQ(media.ChosenText(), "Vol-");
    media.reject();
}

TEST_F(KeyDialogs, MissingBackgroundIsReportedWithTheDialogsCaption) {
    drawing_.skinName = "NoSuchSkin";
    CFireKeyDialog dialog(Context());
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    ASSERT_EQ(messages_.messages.size(), 1u);
    EXPECT_EQ(messages_.messages[0].text.rfind("error\n", 0), 0u);
    EXPECT_EQ(messages_.messages[0].caption, "FireKey Dialog Load background image failed!!!");
}

TEST_F(KeyDialogs, MacroDialogListsTheFileAndTicksARepeatMode) {
    test::TempDir dir;
    const auto record = dir.path() / "record.ini";
    {
        std::ofstream out(record);
        out << "[First]\nMacroLoopTimes=1\nItemCount=0\n[Second]\nMacroLoopTimes=1\nItemCount=0\n";
    }
    macros::ui::CMacroDialog dialog(Context(), record);
    Show(dialog);
    EXPECT_EQ(dialog.RepeatMode(), 1);
    Click(dialog, macros::ui::CMacroDialog::kMacroBox.center());
    ASSERT_TRUE(dialog.ListOpen());
    ASSERT_EQ(dialog.MacroList()->count(), 2);
    EXPECT_EQ(dialog.MacroList()->item(1)->text(), "Second");
    ClickEntry(*dialog.MacroList(), 1);
    EXPECT_FALSE(dialog.ListOpen());
    EXPECT_EQ(dialog.MacroNumber(), 1);
    EXPECT_EQ(dialog.MacroName(), "Second");
    Click(dialog, macros::ui::CMacroDialog::TickRect(3).center());
    EXPECT_EQ(dialog.RepeatMode(), 3);
    Click(dialog, QPoint(300, 230));  // beside the ticks: nothing changes
    EXPECT_EQ(dialog.RepeatMode(), 3);
    Click(dialog, skin::PopupFrame::kOkRect.center());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace ornyx::keys::ui

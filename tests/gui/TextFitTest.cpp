// Every text of every language, drawn where the windows draw it with the
// skin fonts, shows whole: nothing is cut at the sides of its field, list or
// caption. The pages are driven through their real widgets, so the check
// follows the layout the user sees.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QStyle>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/AppContext.h"
#include "app/MainWindow.h"
#include "app/ProfileNameDialog.h"
#include "gui/LayoutPoints.h"
#include "i18n/TextSettings.h"
#include "keys/ui/ButtonMenu.h"
#include "keys/ui/KeyDialogs.h"
#include "macros/ui/DelayTimeDialog.h"
#include "macros/ui/MacroDialog.h"
#include "profile/PrivateProfile.h"
#include "profiles/AppRules.h"
#include "session/Defaults.h"
#include "settings/Configuration.h"
#include "skin/SkinText.h"
#include "skin/SkinsDialog.h"
#include "support/TempDir.h"

namespace ornyx::app {
namespace {

namespace fs = std::filesystem;

std::set<std::string>& Clipped() {
    static std::set<std::string> clipped;
    return clipped;
}

void CheckDrawn(const QString& text, const QRect& rect, skin::TextFormat format,
                const QFont& font) {
    if (skin::TextFits(text, rect, format, font)) return;
    Clipped().insert(text.toStdString() + " (needs " +
                     std::to_string(QFontMetrics(font).horizontalAdvance(text)) + " px, has " +
                     std::to_string(rect.width()) + " x " + std::to_string(rect.height()) + ")");
}

// Every entry of every open list shows whole in the list's width, and so does
// the text of every field (the chosen entry of a box).
void CheckLists(const QWidget& window) {
    for (const QLabel* field : window.findChildren<QLabel*>()) {
        if (!field->isVisible() || field->text().isEmpty()) continue;
        const int needs = QFontMetrics(field->font()).horizontalAdvance(field->text());
        if (needs > field->contentsRect().width()) {
            Clipped().insert("field " + field->text().toStdString() + " (needs " +
                             std::to_string(needs) + " px, has " +
                             std::to_string(field->contentsRect().width()) + ")");
        }
    }
    for (const QListWidget* list : window.findChildren<QListWidget*>()) {
        if (!list->isVisible()) continue;
        const QFontMetrics metrics(list->font());
        // The viewport less the rows' padding on both sides.
        const int room = list->viewport()->width() - 4;
        for (int row = 0; row < list->count(); ++row) {
            const QString text = list->item(row)->text();
            if (metrics.horizontalAdvance(text) > room) {
                Clipped().insert("list entry " + text.toStdString() + " (needs " +
                                 std::to_string(metrics.horizontalAdvance(text)) + " px, has " +
                                 std::to_string(room) + ")");
            }
        }
    }
}

struct LanguageRig {
    test::TempDir dir;
    RecordingMessageSink messages;
    std::unique_ptr<AppContext> context;
    std::unique_ptr<CHidMouseDlg> window;

    LanguageRig(const char* code, const std::string& skin) {
        const auto paths = settings::ProgramPaths::ForHome(dir.path());
        session::InitProgramHome(paths);
        fs::copy(ORNYX_SKINS_DIR, dir.path() / "Skins", fs::copy_options::recursive);
        EXPECT_TRUE(profile::WritePrivateProfileString(paths.text, i18n::kSkinsSection,
                                                       i18n::kLanguageKey, code)
                        .ok);
        EXPECT_TRUE(profile::WritePrivateProfileString(paths.text, i18n::kSkinsSection,
                                                       i18n::kSkinNameKey, skin)
                        .ok);
        AppOptions options;
        options.home = dir.path().string();
        options.simulate = "";
        context = std::make_unique<AppContext>(options, messages);
        window = std::make_unique<CHidMouseDlg>(*context, /*trayAvailable=*/false);
    }
    void Click(QPoint p) { Click(p.x(), p.y()); }
    void Click(int x, int y) {
        QTest::mouseClick(window.get(), Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QListWidget* OpenList() const {
        for (QListWidget* list : window->findChildren<QListWidget*>()) {
            if (list->isVisible()) return list;
        }
        return nullptr;
    }
    // Opens the list of a box, looks at it, and chooses each entry in turn, so
    // that the field shows every choice once.
    void ChooseEach(const QPoint& box) {
        Click(box.x(), box.y());
        QListWidget* list = OpenList();
        if (list == nullptr) return;  // a box whose choice needs no list
        const int count = list->count();
        CheckLists(*window);
        for (int row = 0; row < count; ++row) {
            if (OpenList() == nullptr) Click(box.x(), box.y());
            QListWidget* open = OpenList();
            ASSERT_NE(open, nullptr);
            QTest::mouseClick(open->viewport(), Qt::LeftButton, Qt::NoModifier,
                              open->visualItemRect(open->item(row)).center());
            QApplication::processEvents();
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
};

std::vector<std::string> Skins() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(ORNYX_SKINS_DIR)) {
        if (entry.is_directory()) names.push_back(entry.path().filename().string());
    }
    return names;
}

TEST(TextFitTest, EveryTextOfEveryLanguageShowsWholeOnBothPages) {
    Clipped().clear();
    skin::SetTextDrawnHook(&CheckDrawn);
    const std::vector<std::string> skins = Skins();
    ASSERT_FALSE(skins.empty());
    for (const char* code : {"CHS", "CHT", "TUR", "EN"}) {
        LanguageRig rig(code, skins.front());
        rig.window->Start();
        ASSERT_EQ(rig.window->CurrentPage(), CHidMouseDlg::kBasicPage);
        CheckLists(*rig.window);
        // Every lighting mode with each of its parameters and effects.
        for (int mode = 0; mode < 3; ++mode) {
            rig.Click(Centre(lw::LightingBox(0)));
            QListWidget* modes = rig.OpenList();
            ASSERT_NE(modes, nullptr);
            QTest::mouseClick(modes->viewport(), Qt::LeftButton, Qt::NoModifier,
                              modes->visualItemRect(modes->item(mode)).center());
            QApplication::processEvents();
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            rig.ChooseEach(Centre(lw::LightingBox(0)));
            rig.ChooseEach(Centre(lw::LightingBox(1)));
            rig.ChooseEach(Centre(lw::LightingBox(2)));
        }
        // The button-function menus.
        for (int k = 0; k < 6; ++k) {
            rig.Click(Centre(lw::ButtonBox(k)));
            CheckLists(*rig.window);
            rig.Click(Centre(lw::ButtonBox(k)));
        }
        rig.Click(Centre(lw::kAdvancedPageButton));  // the Advanced page
        ASSERT_EQ(rig.window->CurrentPage(), CHidMouseDlg::kAdvancedPage);
        CheckLists(*rig.window);
        rig.Click(Centre(lw::kMouseEventBox));  // the mouse-event list of the macro editor
        CheckLists(*rig.window);
    }
    skin::SetTextDrawnHook(nullptr);
    std::string report;
    for (const auto& c : Clipped()) report += "\n  " + c;
    EXPECT_TRUE(Clipped().empty()) << "texts that do not fit:" << report;
}

// The DPI sub-menu is narrow: its entries must show whole, with the room the
// style keeps beside an item's text counted (an entry that fills the row to
// the last pixel is still cut short with "…").
TEST(TextFitTest, TheDpiSubMenuShowsItsEntriesWholeInEveryLanguage) {
    for (const char* code : {"CHS", "CHT", "TUR", "EN"}) {
        SCOPED_TRACE(code);
        LanguageRig rig(code, Skins().front());
        rig.window->Start();
        rig.Click(Centre(lw::ButtonBox(3)));
        QListWidget* menu = rig.window->Menus().Menu(3);
        ASSERT_NE(menu, nullptr);
        emit menu->itemEntered(menu->item(6));
        QListWidget* dpi = rig.window->Menus().DpiMenu();
        ASSERT_NE(dpi, nullptr);
        const int margin =
            dpi->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, dpi) + 1;
        const QFontMetrics metrics(dpi->font());
        for (int row = 0; row < dpi->count(); ++row) {
            const QString text = dpi->item(row)->text();
            // The row's padding (2 on each side) and the style's text margins.
            EXPECT_LE(metrics.horizontalAdvance(text) + 2 * margin, dpi->viewport()->width() - 4)
                << text.toStdString();
        }
    }
}

// Shows a pop-up, opens its list when it has one, and looks at it.
void LookAt(skin::PopupFrame& dialog, std::optional<QPoint> listBox) {
    ASSERT_TRUE(dialog.Initialise());
    dialog.setWindowModality(Qt::NonModal);
    dialog.show();
    QApplication::processEvents();
    if (listBox) {
        QTest::mouseClick(&dialog, Qt::LeftButton, Qt::NoModifier, *listBox);
        QApplication::processEvents();
    }
    CheckLists(dialog);
    dialog.hide();
}

TEST(TextFitTest, EveryPopUpTextOfEveryLanguageShowsWhole) {
    Clipped().clear();
    skin::SetTextDrawnHook(&CheckDrawn);
    for (const char* code : {"CHS", "CHT", "TUR", "EN"}) {
        LanguageRig rig(code, Skins().front());
        const skin::DrawingSettings drawing =
            skin::DrawingSettings::From(rig.context->paths, rig.context->text);
        const skin::PopupContext popup{drawing, rig.context->text.language, rig.messages};
        {
            keys::ui::CSingleDialog d(popup);
            LookAt(d, std::nullopt);
        }
        {
            keys::ui::CComboDialog d(popup);
            LookAt(d, keys::ui::CComboDialog::kModifierBox.center());
        }
        {
            keys::ui::CFireKeyDialog d(popup);
            LookAt(d, keys::ui::CFireKeyDialog::kKeyBox.center());
        }
        {
            keys::ui::CMediaDialog d(popup);
            LookAt(d, keys::ui::CMediaDialog::kBox.center());
        }
        {
            keys::ui::CWindowsDialog d(popup);
            LookAt(d, keys::ui::CWindowsDialog::kBox.center());
        }
        {
            macros::ui::CMacroDialog d(popup, rig.context->paths.record);
            LookAt(d, macros::ui::CMacroDialog::kMacroBox.center());
        }
        {
            macros::ui::CDelayTimeDialog d(popup);
            LookAt(d, std::nullopt);
        }
        {
            skin::CSkinsDialog d(popup);
            LookAt(d, skin::CSkinsDialog::kSkinBoxRect.center());
        }
        {
            CProfileNameDialog d(popup);
            LookAt(d, std::nullopt);
        }
    }
    skin::SetTextDrawnHook(nullptr);
    std::string report;
    for (const auto& c : Clipped()) report += "\n  " + c;
    EXPECT_TRUE(Clipped().empty()) << "texts that do not fit:" << report;
}

// The Profiles submenu in every language: its own entries show whole, and the
// longest name a profile can have (64 wide characters) is cut in the middle
// rather than stretching the menu across the screen.
TEST(TextFitTest, TheProfilesSubmenuShowsItsEntriesAndStaysNarrowWithLongNames) {
    const QString longest(64, QChar(0xFF37));  // a full-width W
    for (const char* code : {"CHS", "CHT", "TUR", "EN"}) {
        SCOPED_TRACE(code);
        LanguageRig rig(code, Skins().front());
        rig.window->Start();
        ASSERT_TRUE(rig.window->Profiles().Save("Office", false).ok());
        ASSERT_TRUE(rig.window->Profiles().Save(longest, false).ok());
        rig.window->FillProfilesMenu();
        QMenu* menu = rig.window->ProfilesMenu();
        const QFontMetrics metrics(menu->font());
        EXPECT_LE(menu->sizeHint().width(), 480);
        for (QAction* a : menu->actions()) {
            if (a->isSeparator()) continue;
            const QString shown = QString(a->text()).replace("&&", "&");
            // The menu is at least as wide as each entry's text.
            EXPECT_LT(metrics.horizontalAdvance(shown), menu->sizeHint().width())
                << shown.toStdString();
            if (shown.startsWith(QChar(0xFF37))) {
                EXPECT_TRUE(shown.contains(QChar(0x2026))) << "the long name is cut";
            }
        }
    }
}

// The tray menu's items of the automatic switch in every language, with a
// switch to the longest name a profile can have waiting: whole, and the menu
// stays narrow.
TEST(TextFitTest, TheTrayMenuShowsTheAutomaticSwitchWholeWhileASwitchWaits) {
    const QString longest(64, QChar(0xFF37));  // a full-width W
    for (const char* code : {"CHS", "CHT", "TUR", "EN"}) {
        SCOPED_TRACE(code);
        LanguageRig rig(code, Skins().front());
        rig.window->Start();
        ASSERT_TRUE(rig.window->Profiles().Save(longest, false).ok());
        ASSERT_TRUE(rig.window->Profiles().Save("Office", false).ok());
        std::ofstream(rig.dir.path() / profiles::kAppRulesFileName)
            << "GameA = " << longest.toStdString() << "\n";
        rig.window->Switcher().RulesMayHaveChanged();
        rig.context->settings.image.reportRate() ^= 0x0F;  // changes, not applied
        ASSERT_TRUE(rig.window->Switcher().Activated("GameA"));
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return !rig.window->Switcher().Waiting().isEmpty(); }, 3000));
        QMenu* menu = rig.window->TrayMenu();
        EXPECT_LE(menu->sizeHint().width(), 480);
        const QFontMetrics metrics(menu->font());
        for (QAction* a : {rig.window->AutoSwitchAction(), rig.window->WaitingAction()}) {
            ASSERT_TRUE(a->isVisible());
            const QString shown = QString(a->text()).replace("&&", "&");
            EXPECT_LT(metrics.horizontalAdvance(shown), menu->sizeHint().width())
                << shown.toStdString();
        }
        EXPECT_TRUE(rig.window->WaitingAction()->text().contains(QChar(0x2026)));
    }
}

TEST(TextFitTest, TheFitRuleSeesCutTexts) {
    const QFont font = skin::NormalFont(i18n::Language::English);
    const QRect narrow(0, 0, 30, 14);
    EXPECT_FALSE(skin::TextFits("RGB Fixed On", narrow, skin::TextFormat::LeftSingleLine, font));
    EXPECT_TRUE(skin::TextFits("On", narrow, skin::TextFormat::CentredSingleLine, font));
    // A wrapped text that needs more lines than the height holds.
    EXPECT_FALSE(skin::TextFits("Start Recording now please", QRect(0, 0, 60, 14),
                                skin::TextFormat::WordWrap, font));
    EXPECT_TRUE(
        skin::TextFits("Start Recording", QRect(0, 0, 109, 33), skin::TextFormat::WordWrap, font));
}

}  // namespace
}  // namespace ornyx::app

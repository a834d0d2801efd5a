// The skins dialog on its own and from the main window's skins button,
// driven through its real widgets with the build's two skins.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <filesystem>

#include "app/AppContext.h"
#include "app/MainWindow.h"
#include "gui/LayoutPoints.h"
#include "i18n/TextSettings.h"
#include "performance/PointerSettings.h"
#include "session/Defaults.h"
#include "skin/SkinsDialog.h"
#include "support/TempDir.h"

namespace ornyx::skin {
namespace {

namespace fs = std::filesystem;

void Click(QWidget* widget, const QPoint& point) {
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, point);
    QApplication::processEvents();
}

const QPoint kBox = CSkinsDialog::kSkinBoxRect.center();
const QPoint kSample = CSkinsDialog::kColourSampleRect.center();
const QPoint kOk = PopupFrame::kOkRect.center();
const QPoint kCancel = PopupFrame::kCancelRect.center();

// Chooses the entry `name` of the open list with a click.
void ChooseEntry(CSkinsDialog& dialog, const QString& name) {
    QListWidget* list = dialog.SkinList();
    ASSERT_NE(list, nullptr);
    const auto found = list->findItems(name, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    Click(list->viewport(), list->visualItemRect(found[0]).center());
}

struct DialogRig {
    DialogRig() {
        fs::copy(ORNYX_SKINS_DIR, dir.path() / "Skins", fs::copy_options::recursive);
        drawing.skinsDir = dir.path() / "Skins";
        drawing.skinName = "Obsidian";
        drawing.red = 10;
        drawing.green = 20;
        drawing.blue = 30;
    }
    ~DialogRig() { PopupFrame::ClearAutoAnswer(); }
    test::TempDir dir;
    DrawingSettings drawing;
    RecordingMessageSink messages;
};

TEST(SkinsDialogTest, TheListOpensClosesAndChoosesASkinAndTheSampleAColour) {
    DialogRig rig;
    CSkinsDialog dialog(PopupContext{rig.drawing, i18n::Language::English, rig.messages});
    dialog.pickColour = [](const QColor&) { return std::optional<QColor>(QColor(200, 100, 50)); };
    PopupFrame::SetAutoAnswer([](PopupFrame& frame) {
        auto& d = static_cast<CSkinsDialog&>(frame);
        EXPECT_EQ(d.NameField()->text(), "Obsidian");
        Click(&d, kBox);
        ASSERT_NE(d.SkinList(), nullptr);
        ASSERT_EQ(d.SkinList()->count(), 2);
        EXPECT_EQ(d.SkinList()->item(0)->text(), "Crimson");
        EXPECT_EQ(d.SkinList()->item(1)->text(), "Obsidian");
        Click(&d, kBox);  // twice: closed again
        EXPECT_EQ(d.SkinList(), nullptr);
        Click(&d, kBox);
        Click(&d, QPoint(300, 60));  // a press outside list and box closes it
        EXPECT_EQ(d.SkinList(), nullptr);
        Click(&d, kBox);
        ChooseEntry(d, "Crimson");
        EXPECT_EQ(d.SkinList(), nullptr);
        EXPECT_EQ(d.NameField()->text(), "Crimson");
        Click(&d, kSample);
        EXPECT_EQ(d.ColourSample()->palette().color(QPalette::Window), QColor(200, 100, 50));
        Click(&d, kOk);
    });
    ASSERT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(dialog.ChosenSkinName(), "Crimson");
    EXPECT_EQ(dialog.ChosenIndex(), 0);
    EXPECT_EQ(dialog.ChosenColour(), QColor(200, 100, 50));
    EXPECT_TRUE(rig.messages.messages.empty());
}

TEST(SkinsDialogTest, UntouchedItKeepsTheCurrentChoiceAndAFolderGoneIsNotTaken) {
    DialogRig rig;
    CSkinsDialog dialog(PopupContext{rig.drawing, i18n::Language::English, rig.messages});
    PopupFrame::SetAutoAnswer([&rig](PopupFrame& frame) {
        auto& d = static_cast<CSkinsDialog&>(frame);
        Click(&d, kBox);
        fs::remove_all(rig.dir.path() / "Skins" / "Crimson");
        ChooseEntry(d, "Crimson");
        EXPECT_EQ(d.NameField()->text(), "Obsidian");
        // The colour chooser cancelled: the colour stays.
        d.pickColour = [](const QColor&) { return std::optional<QColor>(); };
        Click(&d, kSample);
        Click(&d, kOk);
    });
    ASSERT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(dialog.ChosenSkinName(), "Obsidian");
    EXPECT_EQ(dialog.ChosenColour(), QColor(10, 20, 30));
}

TEST(SkinsDialogTest, WithoutSkinFoldersTheListIsEmptyAndTheWheelScrollsAnOpenList) {
    DialogRig rig;
    for (int i = 0; i < 30; ++i)
        fs::create_directories(rig.dir.path() / "Skins" / ("Extra" + std::to_string(i)));
    CSkinsDialog dialog(PopupContext{rig.drawing, i18n::Language::English, rig.messages});
    PopupFrame::SetAutoAnswer([](PopupFrame& frame) {
        auto& d = static_cast<CSkinsDialog&>(frame);
        Click(&d, kBox);
        QListWidget* list = d.SkinList();
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->count(), 32);
        const int before = list->verticalScrollBar()->value();
        QWheelEvent wheel(QPointF(kBox), d.mapToGlobal(QPointF(kBox)), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&d, &wheel);
        EXPECT_EQ(list->verticalScrollBar()->value(), before + 3);
        Click(&d, kCancel);
    });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);

    test::TempDir empty;
    DrawingSettings bare = rig.drawing;
    bare.skinsDir = empty.path() / "Skins";
    EXPECT_TRUE(ListSkins(bare.skinsDir).empty());
}

TEST(SkinsDialogTest, AMissingBackgroundIsReportedAndEndsTheDialog) {
    DialogRig rig;
    fs::remove(rig.dir.path() / "Skins" / "Obsidian" / "skins.png");
    CSkinsDialog dialog(PopupContext{rig.drawing, i18n::Language::English, rig.messages});
    bool answered = false;
    PopupFrame::SetAutoAnswer([&answered](PopupFrame&) { answered = true; });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_FALSE(answered);
    ASSERT_EQ(rig.messages.messages.size(), 1u);
    EXPECT_EQ(rig.messages.messages[0].text.rfind("error\n", 0), 0u);
    EXPECT_EQ(rig.messages.messages[0].caption, "Skins Dialog Load background image failed!!!");
}

// ---- From the main window ----------------------------------------------------------

struct WindowRig {
    WindowRig() {
        session::InitProgramHome(settings::ProgramPaths::ForHome(dir.path()));
        fs::copy(ORNYX_SKINS_DIR, dir.path() / "Skins", fs::copy_options::recursive);
        Open();
    }
    ~WindowRig() { PopupFrame::ClearAutoAnswer(); }
    void Open() {
        window.reset();
        app::AppOptions options;
        options.home = dir.path().string();
        options.simulate = "";
        context = std::make_unique<app::AppContext>(options, messages);
        context->SetPointerSettings(std::make_unique<performance::NoDesktopPointerSettings>());
        window = std::make_unique<app::CHidMouseDlg>(*context, /*tray=*/false);
        window->pickColour = [](const QColor&) { return std::optional<QColor>(QColor(255, 0, 0)); };
        window->Start();
    }
    void Click(QPoint p) { Click(p.x(), p.y()); }
    void Click(int x, int y) { skin::Click(window.get(), QPoint(x, y)); }
    std::string StrIni() const { return test::ReadText(dir.path() / "str.ini"); }

    test::TempDir dir;
    RecordingMessageSink messages;
    std::unique_ptr<app::AppContext> context;
    std::unique_ptr<app::CHidMouseDlg> window;
};

void ChooseCrimsonAndRed(PopupFrame& frame, const QPoint& finish) {
    auto& d = static_cast<CSkinsDialog&>(frame);
    Click(&d, kBox);
    ChooseEntry(d, "Crimson");
    Click(&d, kSample);
    Click(&d, finish);
}

TEST(SkinsDialogTest, OkRedrawsThePageWithTheSkinAtOnceAndTheNextStartUsesIt) {
    WindowRig rig;
    rig.Click(Centre(lw::kAdvancedPageButton));  // the Advanced page
    const QImage before = rig.window->PageImage();
    const QPoint background(300, 120);  // free background of the page
    PopupFrame::SetAutoAnswer([](PopupFrame& f) { ChooseCrimsonAndRed(f, kOk); });
    rig.Click(Centre(lw::kSkinsButton));  // skins button
    EXPECT_EQ(rig.window->CurrentPage(), app::CHidMouseDlg::kAdvancedPage);
    EXPECT_EQ(rig.context->text.skinName, "Crimson");
    EXPECT_EQ(rig.context->text.red, 255);
    EXPECT_NE(rig.window->PageImage().pixel(background), before.pixel(background));
    EXPECT_EQ(rig.window->size(), before.size());
    const QImage crimson(
        QString::fromStdString((rig.dir.path() / "Skins/Crimson/AdvancedSet2.png").string()));
    EXPECT_EQ(QColor(rig.window->PageImage().pixel(background)).rgb(),
              QColor(crimson.pixel(background)).rgb());
    const std::string ini = rig.StrIni();
    EXPECT_NE(ini.find("RColor=255"), std::string::npos);
    EXPECT_NE(ini.find("GColor=0"), std::string::npos);
    EXPECT_NE(ini.find("BColor=0"), std::string::npos);
    EXPECT_NE(ini.find("Path=Crimson"), std::string::npos);

    rig.Open();  // the next start
    EXPECT_EQ(rig.context->text.skinName, "Crimson");
    EXPECT_EQ(QColor(rig.window->PageImage().pixel(background)).rgb(),
              QColor(QImage(QString::fromStdString(
                                (rig.dir.path() / "Skins/Crimson/BasicSet2.png").string()))
                         .pixel(background))
                  .rgb());
}

TEST(SkinsDialogTest, CancelChangesNothing) {
    WindowRig rig;
    const QImage before = rig.window->PageImage();
    const std::string ini = rig.StrIni();
    const auto text = rig.context->text;
    PopupFrame::SetAutoAnswer([](PopupFrame& f) { ChooseCrimsonAndRed(f, kCancel); });
    rig.Click(Centre(lw::kSkinsButton));
    EXPECT_EQ(rig.context->text.skinName, text.skinName);
    EXPECT_EQ(rig.context->text.red, text.red);
    EXPECT_EQ(rig.context->text.green, text.green);
    EXPECT_EQ(rig.context->text.blue, text.blue);
    EXPECT_EQ(rig.StrIni(), ini);
    EXPECT_EQ(rig.window->PageImage(), before);
}

}  // namespace
}  // namespace ornyx::skin

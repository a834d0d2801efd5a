// The named profiles in the desktop program: the tray's submenu, the switch
// with its question and note, and the saves, on the simulated mouse.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/AppContext.h"
#include "app/MainWindow.h"
#include "performance/PointerSettings.h"
#include "profiles/HomeProfile.h"
#include "profiles/ProfileStore.h"
#include "session/Defaults.h"
#include "support/TempDir.h"

namespace ornyx::app {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct ProfileRig {
    test::TempDir dir;
    RecordingMessageSink messages;
    std::unique_ptr<AppContext> context;
    std::unique_ptr<CHidMouseDlg> window;
    std::vector<QString> questions;
    bool answer = true;

    explicit ProfileRig(bool mouse = true) {
        session::InitProgramHome(settings::ProgramPaths::ForHome(dir.path()));
        fs::copy(ORNYX_SKINS_DIR, dir.path() / "Skins", fs::copy_options::recursive);
        AppOptions options;
        options.home = dir.path().string();
        options.simulate = "";
        options.trace = (dir.path() / "trace.txt").string();
        context = std::make_unique<AppContext>(options, messages);
        context->SetPointerSettings(std::make_unique<performance::NoDesktopPointerSettings>());
        window = std::make_unique<CHidMouseDlg>(*context, /*trayAvailable=*/true);
        window->askQuestion = [this](const QString& text) {
            questions.push_back(text);
            return answer;
        };
        if (!mouse) context->Simulator()->Unplug();
        window->Start();
    }
    std::size_t TraceSends() const {
        std::ifstream in(dir.path() / "trace.txt");
        std::size_t n = 0;
        for (std::string l; std::getline(in, l);) n += l.rfind("set-feature ", 0) == 0;
        return n;
    }
    settings::SettingsImage& image() { return context->settings.image; }
    // Changes the report rate and applies it, as OK would.
    void ChangeAndApply(std::uint8_t rate) {
        image().reportRate() = rate;
        QString error;
        ASSERT_TRUE(window->ApplyForCaller(error)) << error.toStdString();
    }
    ProfileService::Outcome Save(const QString& name) {
        return window->Profiles().Save(name, /*replace=*/false);
    }
    // The submenu's entries as shown, with "*" before the checked one.
    std::vector<std::string> MenuShown() {
        window->FillProfilesMenu();
        std::vector<std::string> shown;
        for (QAction* a : window->ProfilesMenu()->actions()) {
            if (a->isSeparator()) continue;
            shown.push_back(std::string(a->isChecked() ? "*" : "") + a->text().toStdString() +
                            (a->isEnabled() ? "" : " [off]"));
        }
        return shown;
    }
    QAction* Entry(const QString& text) {
        window->FillProfilesMenu();
        for (QAction* a : window->ProfilesMenu()->actions()) {
            if (a->text() == text) return a;
        }
        return nullptr;
    }
};

TEST(ProfileMenuTest, TheSubmenuListsTheProfilesWithTheActiveOneCheckedAndModifiedMarked) {
    ProfileRig rig;
    EXPECT_EQ(rig.MenuShown(),
              (std::vector<std::string>{"(no profiles) [off]", "Save as new profile…",
                                        "Save to … [off]"}));
    ASSERT_TRUE(rig.Save("Shooter").ok());
    rig.ChangeAndApply(2);
    ASSERT_TRUE(rig.Save("R&D office").ok());
    // "&" is shown, not taken as a shortcut mark.
    EXPECT_EQ(rig.MenuShown(),
              (std::vector<std::string>{"*R&&D office", "Shooter", "Save as new profile…",
                                        "Save to R&&D office"}));
    rig.ChangeAndApply(4);  // applied, not saved to the profile
    EXPECT_EQ(rig.MenuShown()[0], "*R&&D office (modified)");
    // The tray menu holds the submenu and Exit.
    ASSERT_NE(rig.window->TrayMenu(), nullptr);
    EXPECT_EQ(rig.window->TrayMenu()->actions().front()->menu(), rig.window->ProfilesMenu());
    EXPECT_EQ(rig.window->TrayMenu()->actions().back()->text(), "Exit");
}

TEST(ProfileMenuTest, ChoosingAProfileSwitchesAppliesOnceAndNamesItInANote) {
    ProfileRig rig;
    ASSERT_TRUE(rig.Save("A").ok());
    const std::uint8_t rateA = rig.image().reportRate();
    rig.ChangeAndApply(rateA == 2 ? 4 : 2);
    ASSERT_TRUE(rig.Save("B").ok());
    const std::size_t before = rig.TraceSends();
    const std::size_t notes = rig.window->Notifications().size();

    QAction* a = rig.Entry("A");
    ASSERT_NE(a, nullptr);
    a->trigger();
    EXPECT_EQ(rig.image().reportRate(), rateA);
    EXPECT_GT(rig.TraceSends(), before);  // the apply reached the mouse
    EXPECT_EQ(rig.window->Profiles().Last().active, "A");
    EXPECT_FALSE(rig.window->Profiles().Last().modified);
    ASSERT_EQ(rig.window->Notifications().size(), notes + 1);
    EXPECT_EQ(rig.window->Notifications().back().title, "Profile");
    EXPECT_EQ(rig.window->Notifications().back().text, "Switched to profile \"A\"");
    EXPECT_TRUE(rig.questions.empty());
    EXPECT_TRUE(rig.messages.messages.empty());

    // The active, unchanged profile again: nothing is sent, nothing is noted.
    const std::size_t after = rig.TraceSends();
    rig.Entry("A")->trigger();
    EXPECT_EQ(rig.TraceSends(), after);
    EXPECT_EQ(rig.window->Notifications().size(), notes + 1);
}

TEST(ProfileMenuTest, ChangesNotAppliedAreDroppedOnlyWhenTheUserAgrees) {
    ProfileRig rig;
    const std::uint8_t rateA = rig.image().reportRate();
    ASSERT_TRUE(rig.Save("A").ok());
    rig.ChangeAndApply(rateA == 2 ? 4 : 2);
    ASSERT_TRUE(rig.Save("B").ok());
    const std::string configB = ReadAll(rig.context->paths.config);
    rig.image().reportRate() = 8;  // changed in the window, not applied
    const std::size_t before = rig.TraceSends();

    rig.answer = false;
    rig.window->ChooseProfile("A");
    ASSERT_EQ(rig.questions.size(), 1u);
    EXPECT_TRUE(rig.questions[0].contains("\"A\"")) << rig.questions[0].toStdString();
    EXPECT_EQ(rig.image().reportRate(), 8);  // kept, as the user said
    EXPECT_EQ(ReadAll(rig.context->paths.config), configB);
    EXPECT_EQ(rig.TraceSends(), before);
    EXPECT_TRUE(rig.messages.messages.empty());  // a "no" needs no message

    // A caller that cannot be asked is turned away, and nothing changes.
    const ProfileService::Outcome busy = rig.window->Profiles().Use("A", /*ask=*/false);
    EXPECT_EQ(busy.error, ProfileService::Error::Busy);
    EXPECT_EQ(rig.image().reportRate(), 8);
    EXPECT_EQ(ReadAll(rig.context->paths.config), configB);

    rig.answer = true;
    rig.window->ChooseProfile("A");
    EXPECT_EQ(rig.questions.size(), 2u);
    EXPECT_EQ(rig.image().reportRate(), rateA);
    EXPECT_EQ(rig.window->Profiles().Last().active, "A");
    EXPECT_GT(rig.TraceSends(), before);
}

// The question comes only for a switch that can happen: a profile that is
// gone or cannot be used never costs the window its changes.
TEST(ProfileMenuTest, AProfileThatCannotBeUsedNeverDropsTheWindowsChanges) {
    ProfileRig rig;
    ASSERT_TRUE(rig.Save("A").ok());
    const profiles::ProfileStore store(rig.dir.path());
    std::ofstream(store.folder() / "broken.json") << "{ not json";
    rig.image().reportRate() = 8;  // changed in the window, not applied
    rig.answer = true;
    for (const QString& name : {QString("gone"), QString("broken")}) {
        const ProfileService::Outcome outcome = rig.window->Profiles().Use(name, /*ask=*/true);
        EXPECT_EQ(outcome.error, ProfileService::Error::NoSuchProfile) << name.toStdString();
    }
    EXPECT_TRUE(rig.questions.empty());
    EXPECT_EQ(rig.image().reportRate(), 8);
}

// Another program (ornyxctl) saves a profile and makes it active beside the
// running one: the state follows without anyone asking, so that the bus's
// PropertiesChanged tells its listeners.
TEST(ProfileMenuTest, ChangesMadeByAnotherProgramAreSeenByThemselves) {
    ProfileRig rig;
    ASSERT_TRUE(rig.Save("A").ok());
    QSignalSpy changed(&rig.window->Profiles(), &ProfileService::stateChanged);
    {
        profiles::ProfileStore other(rig.dir.path());
        macros::MacroExport record;
        std::string error;
        const auto current = profiles::ReadHomeProfile(rig.context->Session(), record, error);
        ASSERT_TRUE(current) << error;
        ASSERT_TRUE(other.Save("From the shell", *current, false, error)) << error;
        ASSERT_TRUE(profiles::WriteActiveProfile(rig.dir.path(), {"From the shell", false}).ok);
    }
    QElapsedTimer timer;
    timer.start();
    while (rig.window->Profiles().Last().active != "From the shell" && timer.elapsed() < 5000)
        QTest::qWait(20);
    EXPECT_EQ(rig.window->Profiles().Last().active, "From the shell");
    EXPECT_EQ(rig.window->Profiles().Last().names, (QStringList{"A", "From the shell"}));
    EXPECT_GE(changed.count(), 1);
}

// While the question waits for the user, calls from the bus arrive in its
// event loop: they are turned away, not run in the middle of the switch.
TEST(ProfileMenuTest, CallsWhileTheQuestionIsOpenAreBusy) {
    ProfileRig rig;
    ASSERT_TRUE(rig.Save("A").ok());
    rig.ChangeAndApply(rig.image().reportRate() == 2 ? 4 : 2);
    ASSERT_TRUE(rig.Save("B").ok());
    rig.image().reportRate() = 8;  // not applied: the switch asks
    std::vector<ProfileService::Error> inside;
    rig.window->askQuestion = [&](const QString&) {
        inside.push_back(rig.window->Profiles().Use("B", /*ask=*/false).error);
        inside.push_back(rig.window->Profiles().Save("C", /*replace=*/false).error);
        return false;
    };
    rig.window->ChooseProfile("A");
    EXPECT_EQ(inside, (std::vector{ProfileService::Error::Busy, ProfileService::Error::Busy}));
    EXPECT_EQ(rig.window->Profiles().Refresh().names, (QStringList{"A", "B"}));
    EXPECT_EQ(rig.window->Profiles().Last().active, "B");
}

TEST(ProfileMenuTest, TheShownWindowDrawsTheNewSettingsAtOnce) {
    ProfileRig rig;
    const std::uint8_t rateA = rig.image().reportRate();
    ASSERT_TRUE(rig.Save("A").ok());
    rig.ChangeAndApply(rateA == 2 ? 4 : 2);
    ASSERT_TRUE(rig.Save("B").ok());
    rig.window->TrayClicked();
    ASSERT_TRUE(rig.window->isVisible());
    // What the window draws for B, then for A, drawn afresh.
    rig.window->RebuildCurrentPage();
    const QImage drawnB = rig.window->PageImage().copy();
    rig.window->ChooseProfile("A");
    const QImage shownA = rig.window->PageImage().copy();
    EXPECT_NE(shownA, drawnB);
    rig.window->RebuildCurrentPage();
    EXPECT_EQ(shownA, rig.window->PageImage());
}

TEST(ProfileMenuTest, WithoutAMouseTheFilesSwitchAndTheNoteSaysSo) {
    ProfileRig rig(/*mouse=*/false);
    ASSERT_TRUE(rig.Save("A").ok());
    rig.image().reportRate() = rig.image().reportRate() == 2 ? 4 : 2;
    rig.context->settings.TakeBackup();  // as if it had been applied earlier
    ASSERT_TRUE(rig.Save("B").ok());
    const ProfileService::Outcome outcome = rig.window->Profiles().Use("A", /*ask=*/true);
    EXPECT_EQ(outcome.error, ProfileService::Error::NoMouse);
    EXPECT_EQ(rig.window->Profiles().Last().active, "A");
    ASSERT_FALSE(rig.window->Notifications().empty());
    EXPECT_TRUE(rig.window->Notifications().back().text.startsWith("Switched to profile \"A\"\n"));
}

TEST(ProfileMenuTest, SaveAsNewAsksForANameAndAsksBeforeReplacingOne) {
    ProfileRig rig;
    std::vector<std::optional<QString>> names{QString("Büro"), QString("BÜRO"), QString("BÜRO")};
    rig.window->askProfileName = [&]() -> std::optional<QString> {
        std::optional<QString> next = names.front();
        names.erase(names.begin());
        return next;
    };
    rig.window->SaveAsNewProfile();
    EXPECT_EQ(rig.window->Profiles().Last().names, QStringList{"Büro"});
    const profiles::ProfileStore store(rig.dir.path());
    std::string stored;
    for (const auto& e : fs::directory_iterator(store.folder())) {
        if (e.path().extension() == ".json") stored = ReadAll(e.path());
    }
    ASSERT_FALSE(stored.empty());

    // The same name in other case is the same profile: replaced only after a "yes".
    rig.image().reportRate() = rig.image().reportRate() == 2 ? 4 : 2;
    rig.answer = false;
    rig.window->SaveAsNewProfile();
    ASSERT_EQ(rig.questions.size(), 1u);
    EXPECT_TRUE(rig.questions[0].contains("BÜRO"));
    std::string now;
    for (const auto& e : fs::directory_iterator(store.folder())) {
        if (e.path().extension() == ".json") now = ReadAll(e.path());
    }
    EXPECT_EQ(now, stored);
    rig.answer = true;
    rig.window->SaveAsNewProfile();
    EXPECT_EQ(rig.window->Profiles().Last().names, QStringList{"BÜRO"});
    EXPECT_TRUE(rig.messages.messages.empty());
}

// A failed save says so, with the name as typed: a name may hold "%2" or "%1".
TEST(ProfileMenuTest, AFailedSaveNamesTheProfileAsTyped) {
    ProfileRig rig;
    std::ofstream(rig.dir.path() / profiles::kProfilesFolderName) << "not a folder";
    rig.window->askProfileName = [] { return std::optional<QString>("50%2 off %1"); };
    rig.window->SaveAsNewProfile();
    ASSERT_EQ(rig.messages.messages.size(), 1u);
    const std::string& text = rig.messages.messages[0].text;
    EXPECT_EQ(text.rfind("Cannot save profile \"50%2 off %1\": ", 0), 0u) << text;
}

TEST(ProfileMenuTest, NamesThatCannotNameAProfileTouchNothing) {
    ProfileRig rig;
    ASSERT_TRUE(rig.Save("A").ok());
    const std::string config = ReadAll(rig.context->paths.config);
    const std::string active = ReadAll(rig.dir.path() / profiles::kActiveFileName);
    for (const QString& bad : {QString(""), QString("a\nb"), QString(" a"), QString(65, 'x'),
                               QString(1 << 20, QChar(0x4e2d)), QString("a") + QChar(0)}) {
        SCOPED_TRACE(bad.left(20).toStdString());
        EXPECT_EQ(rig.window->Profiles().Save(bad, true).error, ProfileService::Error::InvalidName);
        EXPECT_EQ(rig.window->Profiles().Use(bad, true).error, ProfileService::Error::InvalidName);
    }
    // Names that try to leave the folder are plain names inside it, or unknown.
    for (const QString& odd : {QString("../x"), QString("/etc/passwd"), QString(".")}) {
        EXPECT_EQ(rig.window->Profiles().Use(odd, true).error,
                  ProfileService::Error::NoSuchProfile);
    }
    EXPECT_EQ(ReadAll(rig.context->paths.config), config);
    EXPECT_EQ(ReadAll(rig.dir.path() / profiles::kActiveFileName), active);
    EXPECT_FALSE(fs::exists(rig.dir.path() / "x"));
}

// ---- Following the application in front ----------------------------------------

void WriteRules(const fs::path& home, const std::string& text) {
    std::ofstream(home / profiles::kAppRulesFileName, std::ios::binary) << text;
}

TEST(ProfileMenuTest, ThePauseItemShowsTheRulesFileAndWritesIt) {
    ProfileRig rig;
    QAction* item = rig.window->AutoSwitchAction();
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->isCheckable());
    EXPECT_EQ(item->text(), "Switch profiles by application");
    EXPECT_TRUE(item->isChecked());  // no file: automatic

    // Paused beside the program (as ornyxctl profile auto off does).
    WriteRules(rig.dir.path(), "# mine\nautomatic = off\nGameA = Shooter\n");
    emit rig.window->TrayMenu()->aboutToShow();
    EXPECT_FALSE(item->isChecked());

    item->trigger();
    EXPECT_TRUE(item->isChecked());
    const std::string now = ReadAll(rig.dir.path() / profiles::kAppRulesFileName);
    EXPECT_NE(now.find("automatic = on"), std::string::npos) << now;
    EXPECT_NE(now.find("# mine"), std::string::npos) << now;
    EXPECT_NE(now.find("GameA = Shooter"), std::string::npos) << now;
    EXPECT_TRUE(rig.messages.messages.empty());

    // A file that cannot be read is not replaced, and the item says what it holds.
    fs::remove(rig.dir.path() / profiles::kAppRulesFileName);
    fs::create_directory(rig.dir.path() / profiles::kAppRulesFileName);
    emit rig.window->TrayMenu()->aboutToShow();
    const bool shown = item->isChecked();
    item->trigger();
    EXPECT_EQ(item->isChecked(), shown);
    EXPECT_EQ(rig.messages.messages.size(), 1u);
    EXPECT_TRUE(fs::is_directory(rig.dir.path() / profiles::kAppRulesFileName));
}

TEST(ProfileMenuTest, ASwitchWaitsForTheWindowsChangesAndTheTraySaysSo) {
    ProfileRig rig;
    ASSERT_TRUE(rig.Save("A").ok());
    const std::uint8_t rateA = rig.image().reportRate();
    rig.ChangeAndApply(rateA == 2 ? 4 : 2);
    ASSERT_TRUE(rig.Save("B").ok());
    ASSERT_TRUE(rig.window->Profiles().Use("A", false).ok());
    WriteRules(rig.dir.path(), "GameA = B\n");
    rig.window->Switcher().RulesMayHaveChanged();

    // Changes in the window, not applied: the switch waits.
    rig.image().reportRate() = 8;
    const std::size_t before = rig.TraceSends();
    ASSERT_TRUE(rig.window->Switcher().Activated("GameA"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !rig.window->Switcher().Waiting().isEmpty(); }, 3000));
    EXPECT_EQ(rig.window->Profiles().Refresh().active, "A");
    EXPECT_EQ(rig.image().reportRate(), 8);  // kept
    EXPECT_EQ(rig.TraceSends(), before);
    EXPECT_TRUE(rig.window->WaitingAction()->isVisible());
    EXPECT_FALSE(rig.window->WaitingAction()->isEnabled());
    EXPECT_EQ(rig.window->WaitingAction()->text(),
              "Switch to \"B\" waits: save or drop the changes");
    EXPECT_TRUE(rig.questions.empty());

    // Applied, not saved to A: still A's changes, still waiting.
    QString error;
    ASSERT_TRUE(rig.window->ApplyForCaller(error)) << error.toStdString();
    QTest::qWait(1500);
    EXPECT_EQ(rig.window->Profiles().Refresh().active, "A");
    EXPECT_TRUE(rig.window->Profiles().Last().modified);
    EXPECT_EQ(rig.window->Switcher().Waiting(), "B");

    // Saved: the switch follows, with one apply, and the tray no longer waits.
    ASSERT_TRUE(rig.window->Profiles().Save("A", true).ok());
    const std::size_t saved = rig.TraceSends();
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.window->Profiles().Last().active == "B"; }, 3000));
    EXPECT_GT(rig.TraceSends(), saved);
    EXPECT_FALSE(rig.window->WaitingAction()->isVisible());
    EXPECT_EQ(rig.window->Switcher().counts().switches, 1);
}

}  // namespace
}  // namespace ornyx::app

// Following the application in front: which requests become switches, with a
// stand-in for the profile service and the rules file, on a real event loop.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <QSignalSpy>
#include <QTest>
#include <deque>
#include <ostream>
#include <string>
#include <vector>

#include "app/AutoSwitcher.h"

// Failures name the profiles as text.
void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace ornyx::app {
namespace {

using namespace std::chrono_literals;

struct FakeProgram {
    ProfileService::State state{{"Office", "Shooter", "Browsing"}, "Office", false};
    std::vector<QString> used;  // every switch asked for, in order
    bool working = false;
    bool changes = false;
    int busyAnswers = 0;  // the next switches answer Busy
    profiles::AppRules rules = profiles::ParseAppRules(
        "GameA = Shooter\n"
        "firefox = Browsing\n"
        "steam_app_730 = Shooter\n");
    std::vector<bool> written;
    std::vector<std::string> logged;

    AutoSwitcher::Target Target() {
        return {
            .state = [this] { return state; },
            .use =
                [this](const QString& profile) {
                    used.push_back(profile);
                    if (busyAnswers > 0) {
                        --busyAnswers;
                        return ProfileService::Outcome{ProfileService::Error::Busy, "locked", {}};
                    }
                    state.active = profile;
                    return ProfileService::Outcome{};
                },
            .working = [this] { return working; },
            .holdsChanges = [this] { return changes; },
            .readRules = [this] { return rules; },
            .writeAutomatic =
                [this](bool on, std::string&) {
                    written.push_back(on);
                    rules.automatic = on;
                    return true;
                },
            .log = [this](const std::string& line) { logged.push_back(line); },
        };
    }
};

// Short enough for a quick test, long enough for a loaded machine's timers.
constexpr AutoSwitcher::Timing kFast{.settle = 60ms, .longest = 600ms, .retry = 80ms};

void Wait(std::chrono::milliseconds d) {
    QTest::qWait(static_cast<int>(d.count()));
}

TEST(AutoSwitcherTest, TheFirstRequestAfterAQuietSpellSwitchesAtOnce) {
    FakeProgram program;
    // A settle far longer than the test: only a switch that does not wait for it passes.
    AutoSwitcher switcher(program.Target(), {.settle = 5s, .longest = 10s, .retry = 5s});
    QElapsedTimer clock;
    clock.start();
    switcher.Activated("GameA");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !program.used.empty(); }, 1000));
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_EQ(program.used, std::vector<QString>{"Shooter"});
}

TEST(AutoSwitcherTest, RequestsWhileItsOwnSwitchRunsEndOnTheLatestSoonAfter) {
    FakeProgram program;
    AutoSwitcher* switcher = nullptr;
    AutoSwitcher::Target target = program.Target();
    // The event loop runs while the switch is applied, and the focus moves then.
    target.use = [&, use = target.use](const QString& profile) {
        if (program.used.empty()) {
            program.working = true;
            for (const char* app : {"firefox", "GameA", "steam_app_730", "firefox"})
                switcher->Activated(app);
            Wait(150ms);
            program.working = false;
        }
        return use(profile);
    };
    // A retry far longer than the test: the latest must not wait for it.
    AutoSwitcher own(target, {.settle = 60ms, .longest = 600ms, .retry = 5s});
    switcher = &own;
    own.Activated("GameA");
    EXPECT_TRUE(QTest::qWaitFor([&] { return program.used.size() >= 2; }, 1500));
    EXPECT_EQ(program.used, (std::vector<QString>{"Shooter", "Browsing"}));
    Wait(200ms);
    EXPECT_EQ(own.counts().switches, 2);
}

TEST(AutoSwitcherTest, ASwitchHeldUpBySomeoneElsesGoesWhenThatOneEnds) {
    FakeProgram program;
    // A retry far longer than the test: the end of the other switch must be enough.
    AutoSwitcher switcher(program.Target(), {.settle = 60ms, .longest = 600ms, .retry = 5s});
    program.working = true;  // a switch from the tray runs
    switcher.Activated("GameA");
    switcher.Activated("firefox");
    Wait(100ms);
    EXPECT_TRUE(program.used.empty());
    program.working = false;
    switcher.Recheck();  // the profile service's state changed as it ended
    EXPECT_TRUE(QTest::qWaitFor([&] { return !program.used.empty(); }, 1000));
    EXPECT_EQ(program.used, std::vector<QString>{"Browsing"});
}

TEST(AutoSwitcherTest, FlickingBetweenWindowsEndsOnTheLastOneWithFarFewerSwitches) {
    FakeProgram program;
    AutoSwitcher switcher(program.Target(), kFast);
    // Ten focus changes a second between a bound game and a browser, while
    // the home's files change beside us (another look at held-up switches).
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(switcher.Activated(i % 2 == 0 ? "GameA" : "firefox"));
        Wait(10ms);
        switcher.Recheck();
        Wait(10ms);
    }
    Wait(200ms);
    // The first flick switches at once; the rest are one switch, to the last.
    EXPECT_EQ(program.used, (std::vector<QString>{"Shooter", "Browsing"}));
    EXPECT_EQ(switcher.counts().requests, 20);
    EXPECT_EQ(switcher.counts().switches, 2);
}

TEST(AutoSwitcherTest, ASourceThatNeverRestsStillGetsItsSwitch) {
    FakeProgram program;
    AutoSwitcher switcher(program.Target(), kFast);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 1000) {
        switcher.Activated("GameA");
        Wait(20ms);
    }
    EXPECT_EQ(program.used, std::vector<QString>{"Shooter"});
}

TEST(AutoSwitcherTest, WhileASwitchRunsOnlyTheLatestApplicationIsKept) {
    FakeProgram program;
    AutoSwitcher switcher(program.Target(), kFast);
    program.working = true;
    for (const char* app : {"GameA", "firefox", "GameA", "steam_app_730", "firefox"})
        switcher.Activated(app);
    Wait(300ms);
    EXPECT_TRUE(program.used.empty());
    program.working = false;
    Wait(300ms);
    EXPECT_EQ(program.used, std::vector<QString>{"Browsing"});
}

TEST(AutoSwitcherTest, TheRuleThenTheDefaultDecideAndTheActiveProfileIsNotSentAgain) {
    FakeProgram program;
    AutoSwitcher switcher(program.Target(), kFast);
    switcher.Activated("Office-Suite");  // no rule, no default: the profile stays
    Wait(150ms);
    switcher.Activated("FIREFOX");  // the X11 class of what the rule calls firefox
    Wait(150ms);
    switcher.Activated("firefox");  // already active
    Wait(150ms);
    EXPECT_EQ(program.used, std::vector<QString>{"Browsing"});

    program.rules.defaultProfile = "Office";
    switcher.RulesMayHaveChanged();
    switcher.Activated("xmessage");
    Wait(150ms);
    EXPECT_EQ(program.used, (std::vector<QString>{"Browsing", "Office"}));
}

TEST(AutoSwitcherTest, AWindowOfSeveralNamesGetsTheRuleOfTheFirstThatHasOne) {
    FakeProgram program;
    AutoSwitcher switcher(program.Target(), kFast);
    // The GTK id has no rule, the class does; a name no rule can hold is passed over.
    ASSERT_TRUE(switcher.Activated(QStringList{"a=b", "org.example.Game", "GameA", "firefox"}));
    Wait(150ms);
    EXPECT_EQ(program.used, std::vector<QString>{"Shooter"});
    QString problem;
    EXPECT_FALSE(switcher.Activated(QStringList{"a=b", "\"q\""}, &problem));
    EXPECT_TRUE(problem.contains("="));  // the best name's reason
    EXPECT_FALSE(switcher.Activated(QStringList{}, &problem));
}

TEST(AutoSwitcherTest, ChangesOfTheWindowHoldTheSwitchUntilSavedOrDropped) {
    FakeProgram program;
    AutoSwitcher switcher(program.Target(), kFast);
    QSignalSpy waiting(&switcher, &AutoSwitcher::waitingChanged);
    program.changes = true;
    switcher.Activated("GameA");
    Wait(300ms);  // several looks while held
    EXPECT_TRUE(program.used.empty());
    EXPECT_EQ(switcher.Waiting(), "Shooter");
    ASSERT_EQ(waiting.count(), 1);  // said once, not at every look

    // Flicking while it waits, however long it has waited: a look (which
    // reads the home's files) once the focus stays, not one per change.
    Wait(kFast.longest);
    const int looks = switcher.counts().lookups;
    for (int i = 0; i < 20; ++i) {
        switcher.Activated(i % 2 == 0 ? "firefox" : "GameA");
        Wait(10ms);
    }
    EXPECT_LE(switcher.counts().lookups - looks, 2);
    Wait(150ms);
    EXPECT_EQ(switcher.Waiting(), "Shooter");

    // Back to an application of the active profile: nothing waits any more.
    switcher.Activated("Office-Suite");
    program.rules.defaultProfile = "Office";
    switcher.RulesMayHaveChanged();
    Wait(150ms);
    EXPECT_EQ(switcher.Waiting(), "");
    EXPECT_TRUE(program.used.empty());

    switcher.Activated("GameA");
    Wait(150ms);
    EXPECT_EQ(switcher.Waiting(), "Shooter");
    program.changes = false;  // saved
    switcher.Recheck();
    Wait(30ms);
    EXPECT_EQ(program.used, std::vector<QString>{"Shooter"});
    EXPECT_EQ(switcher.Waiting(), "");
}

TEST(AutoSwitcherTest, PausedNothingSwitchesAndResumingSwitchesForTheApplicationInFront) {
    FakeProgram program;
    program.rules.automatic = false;
    AutoSwitcher switcher(program.Target(), kFast);
    EXPECT_FALSE(switcher.Automatic());
    switcher.Activated("GameA");
    Wait(150ms);
    EXPECT_TRUE(program.used.empty());

    QSignalSpy automatic(&switcher, &AutoSwitcher::automaticChanged);
    QString error;
    ASSERT_TRUE(switcher.SetAutomatic(true, error));
    EXPECT_EQ(program.written, std::vector<bool>{true});
    EXPECT_TRUE(switcher.Automatic());
    ASSERT_EQ(automatic.count(), 1);
    Wait(50ms);
    EXPECT_EQ(program.used, std::vector<QString>{"Shooter"});

    // Paused by ornyxctl beside the program: the file says so.
    program.rules.automatic = false;
    switcher.RulesMayHaveChanged();
    EXPECT_FALSE(switcher.Automatic());
    EXPECT_EQ(automatic.count(), 2);
}

TEST(AutoSwitcherTest, ALockedHomeIsTriedAgainLater) {
    FakeProgram program;
    program.busyAnswers = 2;
    AutoSwitcher switcher(program.Target(), kFast);
    switcher.Activated("GameA");
    Wait(500ms);
    EXPECT_EQ(program.used, (std::vector<QString>{"Shooter", "Shooter", "Shooter"}));
    EXPECT_EQ(program.state.active, "Shooter");
}

TEST(AutoSwitcherTest, NamesThatCannotNameAnApplicationAreRefusedAndCostNothing) {
    FakeProgram program;
    AutoSwitcher switcher(program.Target(), kFast);
    for (const QString& bad : {QString(), QString("a\"b"), QString("a\nb"), QString("x\tb"),
                               QString(10000, 'x'), QString(100000, QChar(0x4E2D))}) {
        QString problem;
        EXPECT_FALSE(switcher.Activated(bad, &problem)) << bad.left(20).toStdString();
        EXPECT_FALSE(problem.isEmpty());
    }
    Wait(150ms);
    EXPECT_EQ(switcher.counts().refused, 6);
    EXPECT_EQ(switcher.counts().lookups, 0);
    EXPECT_TRUE(program.used.empty());
}

#ifndef _WIN32
// A watcher woken through a pipe, as the X connection wakes the real one (only
// the Linux program watches a display for the application in front).
class PipeWatcher final : public focus::FocusWatcher {
public:
    PipeWatcher() {
        if (pipe(fds_) != 0) ADD_FAILURE() << "no pipe";
    }
    ~PipeWatcher() override {
        close(fds_[0]);
        if (fds_[1] >= 0) close(fds_[1]);
    }
    PipeWatcher(const PipeWatcher&) = delete;
    PipeWatcher& operator=(const PipeWatcher&) = delete;
    void Focus(const std::vector<std::string>& names) {
        queued_.push_back(names);
        ASSERT_EQ(write(fds_[1], "x", 1), 1);
    }
    void HangUp() {
        close(fds_[1]);
        fds_[1] = -1;
        lost_ = true;
    }
    int Fd() const override { return fds_[0]; }
    std::optional<std::vector<std::string>> Changed() override {
        ++reads;
        char buffer[64];
        if (read(fds_[0], buffer, sizeof buffer) <= 0 || queued_.empty()) return std::nullopt;
        std::vector<std::string> last = queued_.back();
        queued_.clear();
        return last;
    }
    std::vector<std::string> Current() override { return {"org.mozilla.firefox", "firefox"}; }
    bool Lost() const override { return lost_; }
    int reads = 0;

private:
    int fds_[2] = {-1, -1};
    std::deque<std::vector<std::string>> queued_;
    bool lost_ = false;
};

TEST(AutoSwitcherTest, AWatcherIsFollowedFromTheApplicationInFrontAndLetGoWhenItsDisplayEnds) {
    FakeProgram program;
    AutoSwitcher switcher(program.Target(), kFast);
    auto owned = std::make_unique<PipeWatcher>();
    PipeWatcher& watcher = *owned;
    switcher.Watch(std::move(owned));
    Wait(150ms);
    EXPECT_EQ(program.used, std::vector<QString>{"Browsing"});
    watcher.Focus({});  // the bare desktop in front
    Wait(150ms);
    watcher.Focus({"GameA", "xterm"});
    Wait(150ms);
    EXPECT_EQ(program.used, (std::vector<QString>{"Browsing", "Shooter"}));
    EXPECT_EQ(switcher.counts().refused, 0);

    // The display ends: its descriptor stays readable, and must not be read in a loop.
    watcher.HangUp();
    Wait(200ms);
    EXPECT_LE(watcher.reads, 4);
    EXPECT_EQ(program.logged.size(), 1u);
}

#endif

}  // namespace
}  // namespace ornyx::app

// Measures automatic switching against the simulated mouse: from the focus
// change (handed to the switcher as the desktop's watcher hands it) to the
// last transfer of the switch, beside a plain profile switch in the same run,
// each as a ratio to the pacing floor; the median of the runs.
// Then the idle cost: the event loop's wake-ups over a quiet spell with the
// switcher following a watcher and without, side by side in alternating runs.
//   build/bin/bench_autoswitch [runs] [idle seconds]
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "SwitchTiming.h"
#include "app/AutoSwitcher.h"
#include "common/DebugLog.h"
#include "common/MessageSink.h"
#include "device/Discovery.h"
#include "device/Pacer.h"
#include "device/Transport.h"
#include "device/sim/SimMouse.h"
#include "focus/FocusWatcher.h"
#include "profiles/AppRules.h"
#include "profiles/HomeProfile.h"
#include "profiles/ProfileStore.h"
#include "profiles/ProfileSwitch.h"
#include "session/Apply.h"
#include "session/Defaults.h"
#include "session/Session.h"

namespace {

using namespace ornyx;
using namespace ornyx::bench;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A watcher woken through a pipe, as the X connection wakes the real one.
class PipeWatcher final : public focus::FocusWatcher {
public:
    PipeWatcher() {
        if (::pipe(fds_) != 0) fds_[0] = fds_[1] = -1;
    }
    ~PipeWatcher() override {
        ::close(fds_[0]);
        ::close(fds_[1]);
    }
    PipeWatcher(const PipeWatcher&) = delete;
    PipeWatcher& operator=(const PipeWatcher&) = delete;
    bool Focus(const std::string& name) {
        next_ = name;
        return ::write(fds_[1], "x", 1) == 1;
    }
    int Fd() const override { return fds_[0]; }
    std::optional<std::vector<std::string>> Changed() override {
        char buffer[64];
        if (::read(fds_[0], buffer, sizeof buffer) <= 0) return std::nullopt;
        return std::vector<std::string>{next_};
    }
    std::vector<std::string> Current() override { return {}; }
    bool Lost() const override { return false; }

private:
    int fds_[2] = {-1, -1};
    std::string next_;
};

// The main thread's voluntary context switches: each is a wake-up of the event loop.
long Wakeups() {
    std::ifstream status("/proc/thread-self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
            return std::atol(line.c_str() + line.find(':') + 1);
    }
    return -1;
}

// Runs the event loop for `ms` without waking it otherwise (QTest::qWait polls).
void Idle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    const int idleSeconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    std::string tmpl = "/tmp/ornyx-autoswitch-XXXXXX";
    if (::mkdtemp(tmpl.data()) == nullptr) return 1;
    const std::filesystem::path root = tmpl;
    const std::filesystem::path home = root / "home";
    std::filesystem::create_directories(home);
    session::InitProgramHome(settings::ProgramPaths::ForHome(home));

    TimedPlatform platform;
    RecordingMessageSink messages;
    session::SessionOptions options;
    options.home = home.string();
    session::Session session(options, platform, messages);
    session.ResolveHome();
    session.LoadSettings();
    profiles::ProfileStore store(home);
    std::string error;
    if (!SaveTwoProfiles(session, home, error)) {
        std::fprintf(stderr, "bench_autoswitch: %s\n", error.c_str());
        return 1;
    }
    const auto open = [&] { return session.link().Open(messages); };
    session.CreateLink();

    // The switcher as the program wires it, with the core's switch as the service's.
    QString active;
    bool failed = false;
    const auto use = [&](const QString& name) {
        const profiles::SwitchReport report = profiles::SwitchProfile(
            session, store, name.toStdString(), open, {.handshakeFirst = true});
        if (report.outcome != profiles::SwitchReport::Outcome::Switched ||
            !report.apply.result.ok()) {
            std::fprintf(stderr, "bench_autoswitch: the switch to %s failed: %s\n",
                         name.toStdString().c_str(), report.error.c_str());
            failed = true;
            return app::ProfileService::Outcome{app::ProfileService::Error::Failed, "failed", {}};
        }
        active = name;
        return app::ProfileService::Outcome{};
    };
    int switches = 0;
    const profiles::AppRules rules = profiles::ParseAppRules("GameA = A\nfirefox = B\n");
    const auto makeSwitcher = [&] {
        return std::make_unique<app::AutoSwitcher>(app::AutoSwitcher::Target{
            .state =
                [&] {
                    return app::ProfileService::State{{"A", "B"}, active, false};
                },
            .use =
                [&](const QString& name) {
                    ++switches;
                    return use(name);
                },
            .working = [] { return false; },
            .holdsChanges = [] { return false; },
            .readRules = [&] { return rules; },
            .writeAutomatic = [](bool, std::string&) { return true; },
            .log = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); },
        });
    };
    auto switcher = makeSwitcher();
    auto owned = std::make_unique<PipeWatcher>();
    PipeWatcher& watcher = *owned;
    switcher->Watch(std::move(owned));

    std::vector<double> autoRatios, plainRatios;
    for (int i = 0; i < runs && !failed; ++i) {
        const long floor = PacingFloor(session.paths(), session.settings());
        // A rest before the focus moves, as between a user's switches.
        Idle(400);
        const int before = switches;
        auto start = Clock::now();
        if (!watcher.Focus("GameA")) return 1;
        while (switches == before && Clock::now() - start < std::chrono::seconds(10))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        const double autoMs = Ms(lastTransfer - start);
        if (switches == before || active != "A") {
            std::fprintf(stderr, "bench_autoswitch: the focus change switched nothing\n");
            return 1;
        }
        // Back by hand, so that the next focus change switches again.
        start = Clock::now();
        use("B");
        const double plainMs = Ms(lastTransfer - start);
        if (failed) break;
        const double f = static_cast<double>(floor);
        autoRatios.push_back(autoMs / f);
        plainRatios.push_back(plainMs / f);
        std::printf(
            "run %2d: floor %ld ms; focus change to last transfer %.2f ms (ratio %.4f), "
            "profile switch %.2f ms (ratio %.4f)\n",
            i + 1, floor, autoMs, autoMs / f, plainMs, plainMs / f);
    }
    if (failed) return 1;
    std::printf(
        "focus change: median ratio %.4f; profile switch: median %.4f; %d runs "
        "(target <= 1.1)\n",
        Median(autoRatios), Median(plainRatios), runs);

    // Idle: no focus change, switching on (a watcher followed) and off, alternately.
    long on = 0, off = 0;
    const int halves = 2;
    for (int i = 0; i < 2 * halves; ++i) {
        const bool following = i % 2 == 0;
        std::unique_ptr<app::AutoSwitcher> idle;
        if (following) {
            idle = makeSwitcher();
            idle->Watch(std::make_unique<PipeWatcher>());
        }
        Idle(50);  // what starting it queued
        const long start = Wakeups();
        Idle(idleSeconds * 1000 / halves);
        const long woke = Wakeups() - start;
        (following ? on : off) += woke;
    }
    std::printf("idle %d s: %ld wake-ups with switching on, %ld with it off (target: on <= off)\n",
                idleSeconds, on, off);
    std::filesystem::remove_all(root);
    return 0;
}

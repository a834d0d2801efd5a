// Measures a profile switch against the simulated mouse beside a plain apply
// in the same run, each from its start to its last transfer, as a ratio to the
// pacing floor (the pauses the handshake and the apply must make), and the
// listing of 10,000 profiles.
//   build/bin/bench_profile [runs] [profiles]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "SwitchTiming.h"
#include "common/DebugLog.h"
#include "common/MessageSink.h"
#include "device/Discovery.h"
#include "device/Pacer.h"
#include "device/Transport.h"
#include "device/sim/SimMouse.h"
#include "profiles/HomeProfile.h"
#include "profiles/ProfileName.h"
#include "profiles/ProfileStore.h"
#include "profiles/ProfileSwitch.h"
#include "session/Apply.h"
#include "session/Defaults.h"
#include "session/Session.h"

namespace {

using namespace ornyx;
using namespace ornyx::bench;

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const int count = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10000;
    // TMPDIR picks the file system: the switch's journal flushes each file to disk.
    const char* tmp = std::getenv("TMPDIR");
    std::string tmpl =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/ornyx-bench-XXXXXX";
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
        std::fprintf(stderr, "bench_profile: %s\n", error.c_str());
        return 1;
    }
    const auto open = [&] { return session.link().Open(messages); };
    session.CreateLink();

    double switchTotal = 0, applyTotal = 0, switchBest = 1e9, applyBest = 1e9;
    for (int i = 0; i < runs; ++i) {
        const char* name = i % 2 == 0 ? "A" : "B";
        auto start = Clock::now();
        const profiles::SwitchReport report =
            profiles::SwitchProfile(session, store, name, open, {.handshakeFirst = true});
        const double switchMs = Ms(lastTransfer - start);
        if (report.outcome != profiles::SwitchReport::Outcome::Switched ||
            !report.apply.result.ok()) {
            std::fprintf(stderr, "bench_profile: the switch to %s failed: %s\n", name,
                         report.error.c_str());
            return 1;
        }
        const long floor = PacingFloor(session.paths(), session.settings());
        start = Clock::now();
        const session::ApplyReport apply = session.Apply({.handshakeFirst = true});
        const double applyMs = Ms(lastTransfer - start);
        if (!apply.result.ok()) return 1;
        const double s = switchMs / static_cast<double>(floor);
        const double a = applyMs / static_cast<double>(floor);
        switchTotal += s;
        applyTotal += a;
        switchBest = std::min(switchBest, s);
        applyBest = std::min(applyBest, a);
        std::printf(
            "run %2d: floor %ld ms; profile use %.2f ms (ratio %.4f), apply %.2f ms (ratio %.4f)\n",
            i + 1, floor, switchMs, s, applyMs, a);
    }
    std::printf(
        "profile use: mean ratio %.4f, best %.4f; apply: mean %.4f, best %.4f; %d runs "
        "(target <= 1.05)\n",
        switchTotal / runs, switchBest, applyTotal / runs, applyBest, runs);

    // The listing reads and checks every document.
    macros::MacroExport record;
    const std::optional<session::Profile> current =
        profiles::ReadHomeProfile(session, record, error);
    if (!current) return 1;
    const std::filesystem::path many = root / "many";
    profiles::ProfileStore big(many);
    std::filesystem::create_directories(big.folder());
    // Laid down as a copy from elsewhere would be: plain files, no index yet.
    for (int i = 0; i < count; ++i) {
        const std::string name = "Profile " + std::to_string(i);
        std::ofstream(big.folder() / *profiles::FileNameFor(name), std::ios::binary)
            << profiles::ProfileDocument(name, *current);
    }
    const auto timeList = [&](const char* what) {
        const auto start = Clock::now();
        const auto all = big.List(error);
        const double ms = Ms(Clock::now() - start);
        if (!all || all->size() != static_cast<std::size_t>(count)) return false;
        std::printf("profile list, %s: %d profiles in %.1f ms (target < 1000 ms)\n", what, count,
                    ms);
        return true;
    };
    if (!timeList("every file read")) return 1;
    big.UpdateIndex();
    if (!timeList("with the index a save leaves")) return 1;
    std::filesystem::remove_all(root);
    return 0;
}

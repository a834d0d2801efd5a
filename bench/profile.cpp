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
using Clock = std::chrono::steady_clock;

class CountingPacer final : public device::Pacer {
public:
    void Pause(int ms) override { requestedMs += ms; }
    long requestedMs = 0;
};

// The pauses of a handshake and an apply of `settings`: the least either run can take.
long PacingFloor(const settings::ProgramPaths& paths, const settings::SettingsState& settings) {
    auto mouse = std::make_shared<device::sim::SimMouse>();
    device::sim::SimHidAccess access(mouse);
    NullDebugLog log;
    RecordingMessageSink messages;
    device::Connection connection;
    if (!device::OpenDevice(access, connection, messages, log)) return -1;
    CountingPacer pacer;
    device::Transport transport(connection, pacer, log);
    device::DeviceState state;
    settings::SettingsState copy = settings;
    const i18n::TextSettings text = i18n::LoadTextSettings(paths.text);
    session::SensorHandshake(transport, state);
    // The apply saves: into a scratch copy of the home, not the one measured.
    const auto scratch = paths.home.parent_path() / "floor";
    std::filesystem::create_directories(scratch);
    const auto scratchPaths = settings::ProgramPaths::ForHome(scratch);
    session::ApplySettings({transport, state, copy, scratchPaths, text, messages, log});
    return pacer.requestedMs;
}

// The simulated mouse as the platform's, with the time of the last transfer
// noted: what follows it (the saves) is no longer the user's wait for the mouse.
Clock::time_point lastTransfer;

class TimedHandle final : public device::HidHandle {
public:
    explicit TimedHandle(std::unique_ptr<device::HidHandle> inner) : inner_(std::move(inner)) {}
    bool SetFeature(std::span<const std::uint8_t> r) override {
        return Note(inner_->SetFeature(r));
    }
    bool GetFeature(std::span<std::uint8_t> r) override { return Note(inner_->GetFeature(r)); }
    bool Write(std::span<const std::uint8_t> r) override { return Note(inner_->Write(r)); }
    int Read(std::span<std::uint8_t> r, int timeoutMs) override {
        const int n = inner_->Read(r, timeoutMs);
        lastTransfer = Clock::now();
        return n;
    }
    int PollFd() const override { return inner_->PollFd(); }

private:
    bool Note(bool ok) {
        lastTransfer = Clock::now();
        return ok;
    }
    std::unique_ptr<device::HidHandle> inner_;
};

class TimedAccess final : public device::HidAccess {
public:
    std::vector<device::HidInterfaceInfo> Enumerate() override { return sim.Enumerate(); }
    std::unique_ptr<device::HidHandle> Open(const std::string& path, device::OpenMode mode,
                                            std::string& error) override {
        auto handle = sim.Open(path, mode, error);
        if (!handle) return nullptr;
        return std::make_unique<TimedHandle>(std::move(handle));
    }
    device::sim::SimHidAccess sim{std::make_shared<device::sim::SimMouse>()};
};

class TimedPlatform final : public device::Backend {
public:
    std::unique_ptr<device::HidAccess> CreateAccess() override {
        return std::make_unique<TimedAccess>();
    }
    std::unique_ptr<device::DeviceMonitor> CreateMonitor(DebugLog&) override { return nullptr; }
};

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

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
    // Two profiles that differ, so that each switch really replaces the files.
    for (const char* name : {"A", "B"}) {
        macros::MacroExport record;
        std::optional<session::Profile> p = profiles::ReadHomeProfile(session, record, error);
        if (!p) {
            std::fprintf(stderr, "bench_profile: %s\n", error.c_str());
            return 1;
        }
        p->image.reportRate() = name[0] == 'A' ? 1 : 2;
        p->labels[0] = std::string("Left ") + name;
        if (!store.Save(name, *p, true, error)) {
            std::fprintf(stderr, "bench_profile: %s\n", error.c_str());
            return 1;
        }
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

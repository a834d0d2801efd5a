#pragma once

// What the switch benchmarks share: the pacing floor of an apply (the least
// it can take), and a simulated mouse whose transfers are timed.

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "device/Discovery.h"
#include "device/Pacer.h"
#include "device/Transport.h"
#include "device/sim/SimMouse.h"
#include "macros/MacroStore.h"
#include "profiles/HomeProfile.h"
#include "profiles/ProfileStore.h"
#include "session/Apply.h"
#include "session/Session.h"

namespace ornyx::bench {

using Clock = std::chrono::steady_clock;

class CountingPacer final : public device::Pacer {
public:
    void Pause(int ms) override { requestedMs += ms; }
    long requestedMs = 0;
};

// The pauses of a handshake and an apply of `settings`: the least either run can take.
inline long PacingFloor(const settings::ProgramPaths& paths,
                        const settings::SettingsState& settings) {
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

inline double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Two profiles that differ in report rate and a label, "A" and "B", saved
// from the home's settings, so that each switch really replaces the files.
// False with the reason in `error`.
inline bool SaveTwoProfiles(session::Session& session, const std::filesystem::path& home,
                            std::string& error) {
    profiles::ProfileStore store(home);
    for (const char* name : {"A", "B"}) {
        macros::MacroExport record;
        std::optional<session::Profile> p = profiles::ReadHomeProfile(session, record, error);
        if (!p) return false;
        p->image.reportRate() = name[0] == 'A' ? 1 : 2;
        p->labels[0] = std::string("Left ") + name;
        if (!store.Save(name, *p, true, error)) return false;
    }
    return true;
}

}  // namespace ornyx::bench

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/MessageSink.h"
#include "device/Backend.h"
#include "device/DeviceLink.h"
#include "session/Defaults.h"
#include "session/Session.h"
#include "support/TempDir.h"

namespace ornyx::session {
namespace {

// The real mouse's backend, counted: which one the session picks must show.
class CountingBackend final : public device::Backend {
public:
    std::unique_ptr<device::HidAccess> CreateAccess() override {
        ++accessCalls;
        return std::make_unique<device::NoHidAccess>();
    }
    std::unique_ptr<device::DeviceMonitor> CreateMonitor(DebugLog&) override {
        ++monitorCalls;
        return nullptr;
    }
    int accessCalls = 0;
    int monitorCalls = 0;
};

SessionOptions Simulated(const std::string& options = {}) {
    SessionOptions o;
    o.simulate = options;
    return o;
}

TEST(SessionTest, TheSimulatorOnlyWhenAskedElseThePlatformBackend) {
    RecordingMessageSink messages;
    CountingBackend platform;

    Session simulated(Simulated("sensor=2"), platform, messages);
    device::DeviceLink& link = simulated.CreateLink();
    EXPECT_EQ(&simulated.CreateLink(), &link);  // made once
    ASSERT_NE(simulated.simulator(), nullptr);
    EXPECT_TRUE(link.Open(messages));
    EXPECT_NE(simulated.CreateMonitor(), nullptr);
    EXPECT_EQ(platform.accessCalls, 0);
    EXPECT_EQ(platform.monitorCalls, 0);
    ASSERT_TRUE(simulated.Handshake().ok());
    EXPECT_EQ(link.state().sensorTypeInUse, 2);

    Session real(SessionOptions{}, platform, messages);
    EXPECT_FALSE(real.CreateLink().Open(messages));
    EXPECT_EQ(real.simulator(), nullptr);
    EXPECT_EQ(real.CreateMonitor(), nullptr);
    EXPECT_EQ(platform.accessCalls, 1);
    EXPECT_EQ(platform.monitorCalls, 1);
}

TEST(SessionTest, BadSimulatorOptionsAndTraceFilesAreSessionErrors) {
    RecordingMessageSink messages;
    CountingBackend platform;
    test::TempDir dir;

    Session badSim(Simulated("sensor=banana"), platform, messages);
    try {
        badSim.CreateLink();
        ADD_FAILURE() << "bad simulator options were taken";
    } catch (const SessionError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("--simulate: ", 0), 0u) << e.what();
    }
    EXPECT_FALSE(badSim.hasLink());

    SessionOptions badTrace = Simulated();
    badTrace.trace = (dir / "no-such-folder" / "trace.txt").string();
    Session traced(badTrace, platform, messages);
    EXPECT_THROW(traced.OpenTrace(), SessionError);
}

TEST(SessionTest, HomeToMouseAndBack) {
    RecordingMessageSink messages;
    CountingBackend platform;
    test::TempDir dir;
    SessionOptions options = Simulated();
    options.home = dir.path().string();
    options.trace = (dir / "trace.txt").string();

    Session session(options, platform, messages);
    session.OpenTrace();
    session.ResolveHome();
    // A fresh home of its own, whatever defaults lie beside the test program.
    ASSERT_TRUE(session::InitProgramHome(session.paths()).failure.ok);
    settings::HomeLock lock;
    std::string error;
    ASSERT_TRUE(session.LockHome(lock, settings::HomeLock::Mode::Exclusive, error)) << error;
    ASSERT_EQ(session.LoadSettings(), settings::ConfigStatus::Loaded);
    session.settings().image.reportRate() = 3;

    ASSERT_TRUE(session.CreateLink().Open(messages));
    ASSERT_TRUE(session.Handshake().ok());
    const session::ApplyResult result = session.Apply().result;
    EXPECT_TRUE(result.ok());
    EXPECT_TRUE(result.saved);
    EXPECT_EQ(session.simulator()->Memory().reportRate, 3);
    EXPECT_TRUE(session.TraceError().empty());
    EXPECT_NE(test::ReadText(dir / "trace.txt").find("set-feature 00 01 03"), std::string::npos);

    // What was saved is what a new session loads.
    Session again(options, platform, messages);
    again.ResolveHome();
    EXPECT_EQ(again.LoadSettings(), settings::ConfigStatus::Loaded);
    EXPECT_EQ(again.settings().image.reportRate(), 3);
}

// A session of either program on a home of its own, its settings loaded and
// the report rate changed, with the simulated mouse (`sim`: its options) open.
struct ApplyRig {
    explicit ApplyRig(const std::string& sim, bool open = true)
        : session(HomeOptions(dir, sim), platform, messages) {
        session.ResolveHome();
        EXPECT_TRUE(session::InitProgramHome(session.paths()).failure.ok);
        std::string error;
        EXPECT_TRUE(session.LockHome(lock, settings::HomeLock::Mode::Exclusive, error)) << error;
        EXPECT_EQ(session.LoadSettings(), settings::ConfigStatus::Loaded);
        session.CreateLink();
        if (open) {
            EXPECT_TRUE(session.link().Open(messages));
        }
        before = session.simulator()->Memory().reportRate;
        loaded = session.settings().image.reportRate();
        // A rate that neither the mouse nor config.bin holds yet.
        std::uint8_t wanted = 0;
        while (wanted == before || wanted == loaded) ++wanted;
        session.settings().image.reportRate() = wanted;
    }
    static SessionOptions HomeOptions(const test::TempDir& home, const std::string& sim) {
        SessionOptions o = Simulated(sim);
        o.home = home.path().string();
        return o;
    }
    // The report rate config.bin holds, as the next run loads it.
    std::uint8_t SavedReportRate() {
        Session next(HomeOptions(dir, {}), platform, messages);
        next.ResolveHome();
        EXPECT_EQ(next.LoadSettings(), settings::ConfigStatus::Loaded);
        return next.settings().image.reportRate();
    }
    std::uint8_t Wanted() { return session.settings().image.reportRate(); }
    std::uint8_t MouseReportRate() { return session.simulator()->Memory().reportRate; }
    bool BackupTaken() { return session.settings().backup.bytes == session.settings().image.bytes; }

    RecordingMessageSink messages;
    CountingBackend platform;
    test::TempDir dir;
    Session session;
    settings::HomeLock lock;
    std::uint8_t before = 0;  // the mouse's report rate
    std::uint8_t loaded = 0;  // config.bin's
};

TEST(SessionApplyTest, AHealthyMouseGetsEverythingAndTheFilesAreSaved) {
    // ornyxctl's way: the handshake first, so the sensor type is known.
    ApplyRig cli("sensor=2");
    const ApplyReport report = cli.session.Apply({.handshakeFirst = true});
    EXPECT_TRUE(report.mousePresent);
    EXPECT_TRUE(report.result.ok()) << report.result.step;
    EXPECT_TRUE(report.result.step.empty());
    EXPECT_TRUE(report.result.saved);
    EXPECT_FALSE(report.vanished);
    EXPECT_TRUE(report.traceError.empty());
    EXPECT_EQ(cli.session.link().state().sensorTypeInUse, 2);
    EXPECT_EQ(cli.MouseReportRate(), cli.Wanted());
    EXPECT_EQ(cli.SavedReportRate(), cli.Wanted());
    EXPECT_TRUE(cli.BackupTaken());

    // The window's way: its handshake ran when the mouse was found, not here.
    ApplyRig window("sensor=2");
    const ApplyReport windowReport = window.session.Apply();
    EXPECT_TRUE(windowReport.result.ok()) << windowReport.result.step;
    EXPECT_TRUE(windowReport.result.saved);
    EXPECT_EQ(window.session.link().state().sensorTypeInUse, 0);
    EXPECT_EQ(window.MouseReportRate(), window.Wanted());
}

TEST(SessionApplyTest, WithoutAMouseNothingIsSentSavedOrChanged) {
    ApplyRig rig({}, /*open=*/false);
    const ApplyReport report = rig.session.Apply({.handshakeFirst = true});
    EXPECT_FALSE(report.mousePresent);
    EXPECT_FALSE(report.result.saved);
    EXPECT_EQ(rig.MouseReportRate(), rig.before);
    EXPECT_EQ(rig.SavedReportRate(), rig.loaded);
    EXPECT_FALSE(rig.BackupTaken());  // Cancel still goes back to what was loaded
}

TEST(SessionApplyTest, WithoutLoadedSettingsNothingIsSentOrCreated) {
    namespace fs = std::filesystem;
    RecordingMessageSink messages;
    CountingBackend platform;
    test::TempDir dir;
    SessionOptions options = Simulated();
    options.home = (dir / "home").string();
    options.trace = (dir / "trace.txt").string();
    fs::create_directory(dir / "home");

    for (const char* what : {"missing", "wrong size"}) {
        SCOPED_TRACE(what);
        if (std::string(what) == "wrong size") {
            test::WriteBytes(dir / "home" / "config.bin", std::vector<std::uint8_t>(10, 0x11));
        }
        Session session(options, platform, messages);
        session.OpenTrace();
        session.ResolveHome();
        EXPECT_NE(session.LoadSettings(), settings::ConfigStatus::Loaded);
        EXPECT_FALSE(session.settingsReady());
        ASSERT_TRUE(session.CreateLink().Open(messages));
        const auto mouse = session.simulator()->Memory();
        const ApplyReport report = session.Apply({.handshakeFirst = true});
        EXPECT_TRUE(report.refused);
        EXPECT_FALSE(report.result.saved);
        EXPECT_EQ(test::ReadText(dir / "trace.txt").find("set-feature"), std::string::npos);
        EXPECT_EQ(session.simulator()->Memory().keyMatrices, mouse.keyMatrices);
    }
    EXPECT_EQ(test::ReadBytes(dir / "home" / "config.bin").size(), 10u);
}

TEST(SessionApplyTest, DefaultsTakenInsteadOfAMissingFileAreWrittenAndApplied) {
    namespace fs = std::filesystem;
    RecordingMessageSink messages;
    CountingBackend platform;
    test::TempDir dir;
    SessionOptions options = Simulated();
    options.home = (dir / "home").string();

    Session session(options, platform, messages);
    session.ResolveHome();
    EXPECT_EQ(session.LoadSettings(), settings::ConfigStatus::Missing);
    std::string error;
    ASSERT_TRUE(session.CreateDefaultSettings(error)) << error;
    EXPECT_TRUE(session.settingsReady());
    EXPECT_EQ(session.settings().image, DefaultSettingsImage());
    EXPECT_EQ(session.settings().backup, DefaultSettingsImage());
    // The file init writes: first-run flag 0, then the defaults.
    const auto file = test::ReadBytes(dir / "home" / "config.bin");
    ASSERT_EQ(file.size(), settings::kConfigFileSize);
    EXPECT_EQ(file[0], 0);
    ASSERT_TRUE(session.CreateLink().Open(messages));
    EXPECT_TRUE(session.Apply({.handshakeFirst = true}).result.ok());
    EXPECT_EQ(session.simulator()->Memory().reportRate, DefaultSettingsImage().reportRate());
}

TEST(SessionApplyTest, AFailingMouseNamesTheStepAndTheSettingsAreStillSaved) {
    // A mouse that answers nothing fails the handshake: nothing of the settings
    // goes out, but they are saved.
    ApplyRig silent("fault=silent");
    const ApplyReport mute = silent.session.Apply({.handshakeFirst = true});
    EXPECT_TRUE(mute.mousePresent);
    EXPECT_FALSE(mute.result.ok());
    EXPECT_FALSE(mute.result.step.empty());
    EXPECT_FALSE(mute.vanished);
    EXPECT_TRUE(mute.result.saved);
    EXPECT_EQ(silent.MouseReportRate(), silent.before);
    EXPECT_EQ(silent.SavedReportRate(), silent.Wanted());
    EXPECT_TRUE(silent.BackupTaken());

    // Impossible replies stop the apply at their step; the mouse is still there.
    ApplyRig bogus("fault=bogus");
    const ApplyReport odd = bogus.session.Apply();
    EXPECT_FALSE(odd.result.ok());
    EXPECT_FALSE(odd.result.step.empty());
    EXPECT_FALSE(odd.vanished);
    EXPECT_TRUE(odd.result.saved);
    EXPECT_EQ(bogus.SavedReportRate(), bogus.Wanted());

    // Pulled out in the middle: the report says the mouse went away.
    ApplyRig pulled("vanish=6");
    const ApplyReport gone = pulled.session.Apply({.handshakeFirst = true});
    EXPECT_FALSE(gone.result.ok());
    EXPECT_FALSE(gone.result.step.empty());
    EXPECT_TRUE(gone.vanished);
    EXPECT_TRUE(gone.result.saved);
    EXPECT_EQ(pulled.SavedReportRate(), pulled.Wanted());
    EXPECT_TRUE(pulled.BackupTaken());
}

}  // namespace
}  // namespace ornyx::session

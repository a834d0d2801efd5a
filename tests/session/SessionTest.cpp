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
    const session::ApplyResult result = session.Apply();
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

}  // namespace
}  // namespace ornyx::session

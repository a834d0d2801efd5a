// A session over a home where a link stands in place of a file: only a POSIX
// system makes links without a privilege.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "common/MessageSink.h"
#include "device/Backend.h"
#include "session/Session.h"
#include "support/TempDir.h"

namespace ornyx::session {
namespace {

namespace fs = std::filesystem;

class NoMouse final : public device::Backend {
public:
    std::unique_ptr<device::HidAccess> CreateAccess() override {
        return std::make_unique<device::NoHidAccess>();
    }
    std::unique_ptr<device::DeviceMonitor> CreateMonitor(DebugLog&) override { return nullptr; }
};

TEST(SessionApplyTest, ADanglingLinkAtTheSettingsIsNotFollowedToWriteThem) {
    RecordingMessageSink messages;
    NoMouse platform;
    test::TempDir dir;
    SessionOptions options;
    options.simulate = "";
    options.home = (dir / "home").string();
    fs::create_directories(dir / "home");
    fs::create_symlink(dir / "elsewhere", dir / "home" / "config.bin");
    Session linked(options, platform, messages);
    linked.ResolveHome();
    EXPECT_EQ(linked.LoadSettings(), settings::ConfigStatus::Missing);
    std::string error;
    EXPECT_FALSE(linked.CreateDefaultSettings(error));
    EXPECT_FALSE(fs::exists(dir / "elsewhere"));
    EXPECT_TRUE(linked.settingsReady());  // the defaults, to go on with
}

}  // namespace
}  // namespace ornyx::session

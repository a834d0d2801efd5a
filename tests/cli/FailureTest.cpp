// Failures of the mouse and of the trace, as ornyxctl reports them: exit codes,
// the one-line message naming the step, and config.bin saved all the same.
#include <gtest/gtest.h>

#include <sstream>

#include "support/RunOrnyxctl.h"
#include "support/TempDir.h"

namespace {

using ornyx::test::ReadBytes;
using ornyx::test::ReadText;
using ornyx::test::TempDir;

using Result = ornyx::test::CliResult;

class FailureTest : public ::testing::Test {
protected:
    TempDir dir;

    void SetUp() override { ASSERT_EQ(Run("init").exitCode, 0); }

    Result Run(const std::string& args) { return ornyx::test::RunOrnyxctl(dir, args); }

    // The frames a healthy apply sends, handshake included: code and byte 1.
    std::vector<std::pair<int, int>> HealthyFrames() {
        const Result r = Run("--simulate --trace healthy.trace apply");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        std::vector<std::pair<int, int>> frames;
        std::istringstream in(ReadText(dir / "healthy.trace"));
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("set-feature 00 ", 0) != 0) continue;
            frames.emplace_back(std::stoi(line.substr(15, 2), nullptr, 16),
                                std::stoi(line.substr(18, 2), nullptr, 16));
        }
        return frames;
    }
};

// What the user is told the mouse was doing when a frame failed.
std::string StepOf(int code, int target) {
    const std::string n = std::to_string(target);
    switch (code) {
        case 0x83:
        case 0x03:
            return "sensor settings";
        case 0x01:
            return "report rate";
        case 0x8D:
        case 0x0D:
            return "effect settings";
        case 0x87:
        case 0x07:
            return "setting bank " + n;
        case 0x90:
        case 0x10:
            return "data bank " + n;
        case 0x11:
            return "DPI table";
        case 0x13:
            return "macro slot " + n;
        case 0x93:
            return "macro slot " + n + " read-back";
        case 0x12:
            return "key matrix " + n;
        default:
            return "?";
    }
}

// The mouse pulled out after every possible number of frames: each run names
// the step it stopped at, exits 3, and saves config.bin with the image intact.
TEST_F(FailureTest, MouseVanishingAtEveryFrameOfAnApply) {
    const std::vector<std::uint8_t> before = ReadBytes(dir / "config.bin");
    ASSERT_EQ(before.size(), 1986u);
    const auto frames = HealthyFrames();
    ASSERT_EQ(frames.size(), 42u);  // handshake 2, apply 40
    for (std::size_t n = 1; n < frames.size(); ++n) {
        std::filesystem::remove(dir / "config.bin");
        ornyx::test::WriteBytes(dir / "config.bin", before);
        const Result r = Run("--simulate=vanish=" + std::to_string(n) + " apply");
        const std::string step = StepOf(frames[n].first, frames[n].second);
        EXPECT_EQ(r.exitCode, 3) << n << ": " << r.err;
        EXPECT_NE(r.err.find("the mouse stopped answering at " + step + ";"), std::string::npos)
            << n << ": " << r.err;
        EXPECT_EQ(r.out.find("applied"), std::string::npos) << n;
        const std::vector<std::uint8_t> after = ReadBytes(dir / "config.bin");
        ASSERT_EQ(after.size(), 1986u) << n;
        EXPECT_EQ(after[0], 1) << n;
        EXPECT_TRUE(std::equal(after.begin() + 1, after.end(), before.begin() + 1)) << n;
    }
    // Past the last frame the mouse got everything.
    const Result r = Run("--simulate=vanish=" + std::to_string(frames.size()) + " apply");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("applied: "), std::string::npos);
}

TEST_F(FailureTest, SilentAndBogusMiceFailTheApplyWithExitOne) {
    Result r = Run("--simulate=fault=silent apply");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("the mouse did not answer at sensor settings (get-feature 0x83 failed)"),
              std::string::npos)
        << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;

    // Its replies are garbage: the sensor type it reports has no DPI list, and
    // nothing of the replies is written back.
    r = Run("--simulate=fault=bogus --trace bogus.trace apply");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("the mouse reports sensor type"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
    const std::string trace = ReadText(dir / "bogus.trace");
    EXPECT_EQ(trace.find("set-feature 00 07 "), std::string::npos) << trace;
    EXPECT_EQ(trace.find("set-feature 00 0d "), std::string::npos) << trace;
}

// Without a config.bin there are no settings to send: the mouse must not get
// an all-zero image (no DPI, dead buttons), and nothing is created.
TEST_F(FailureTest, ApplyThatCannotSaveFails) {
    namespace fs = std::filesystem;
    fs::remove(dir / "config.bin");
    // The home "." as the system writes its paths.
    const std::string config = (fs::path(".") / "config.bin").string();
    const auto expectRefused = [&](const std::string& why) {
        SCOPED_TRACE(why);
        fs::remove(dir / "apply.trace");
        const Result r = Run("--simulate --trace apply.trace apply");
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find(config + ": Config file is not exist."), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("nothing was sent"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("'ornyxctl init'"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(ReadText(dir / "apply.trace").find("set-feature"), std::string::npos)
            << ReadText(dir / "apply.trace");
    };
    expectRefused("missing");
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "config.bin")));
}

// A sensor type without a DPI list: its codes would be made up, so the apply
// sends nothing after the handshake and says why.
TEST_F(FailureTest, UnknownSensorTypeSendsNoSettings) {
    for (const char* sensor : {"4", "255"}) {
        SCOPED_TRACE(sensor);
        const Result r =
            Run(std::string("--simulate=sensor=") + sensor + " --trace unknown.trace apply");
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find(std::string("sensor type ") + sensor), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("nothing was sent"), std::string::npos) << r.err;
        EXPECT_EQ(r.out.find("DPI"), std::string::npos) << r.out;
        std::istringstream trace(ReadText(dir / "unknown.trace"));
        std::vector<std::string> sent;
        for (std::string line; std::getline(trace, line);) {
            if (line.rfind("set-feature 00 ", 0) == 0) sent.push_back(line.substr(15, 2));
        }
        // The handshake only: read and write of the sensor settings.
        EXPECT_EQ(sent, (std::vector<std::string>{"83", "03"}));
    }
    // The known ones still apply.
    EXPECT_EQ(Run("--simulate=sensor=3 apply").exitCode, 0);
}

TEST_F(FailureTest, RawReportsAFailedTransferInsteadOfAReply) {
    Result r = Run("--simulate=fault=silent raw 0x83");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("get-feature 0x83 failed"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("reply:"), std::string::npos) << r.out;

    // Nor does info print zeros for sensor settings it never got.
    r = Run("--simulate=fault=silent info");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out.find("sensor settings:"), std::string::npos) << r.out;

    // A block that never comes is no block of zeros.
    r = Run("--simulate=fault=silent raw 0x90 1");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out.find("block:"), std::string::npos) << r.out;
}

TEST_F(FailureTest, TraceThatCannotBeWrittenIsAUsageError) {
    for (const char* args :
         {"--trace no/such/folder/t show", "--simulate --trace no/such/t raw 0x83",
          "--simulate --trace . raw 0x83"}) {
        const Result r = Run(args);
        EXPECT_EQ(r.exitCode, 2) << args;
        EXPECT_NE(r.err.find("trace file"), std::string::npos) << args << ": " << r.err;
    }
    // A trace that can be written is still taken.
    const Result ok = Run("--simulate --trace good.trace raw 0x83");
    EXPECT_EQ(ok.exitCode, 0) << ok.err;
    EXPECT_FALSE(ReadText(dir / "good.trace").empty());
}

}  // namespace

// What ornyxctl does with what only a POSIX system has: links in the home,
// /dev/full as the trace, a file-size limit, the udev rule in its hints, and
// the desktop program beside it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "support/RunOrnyxctl.h"
#include "support/TempDir.h"

namespace {

// ornyxctl looks for the desktop program on the session bus: this suite's runs
// never reach the machine's (the session bus test starts a bus of its own).
[[maybe_unused]] const bool kNoSessionBus = [] {
    return setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/ornyx-cli-tests", 1) == 0;
}();

using ornyx::test::ReadBytes;
using ornyx::test::ReadText;
using ornyx::test::TempDir;
using ornyx::test::WriteText;

using Result = ornyx::test::CliResult;

class CliPosixTest : public ::testing::Test {
protected:
    TempDir dir;

    void SetUp() override { ASSERT_EQ(Run("init").exitCode, 0); }

    Result Run(const std::string& args) { return ornyx::test::RunOrnyxctl(dir, args); }
    // The command under a file-size limit of a few MiB (dash counts 512-byte
    // blocks, bash 1024): a write beyond it kills the process.
    Result RunLimited(const std::string& args) {
        const auto out = dir / "stdout.txt";
        const auto err = dir / "stderr.txt";
        const std::string command = "ulimit -f 8192 && cd '" + dir.path().string() + "' && '" +
                                    ORNYXCTL_PATH + "' --home . " + args + " >'" + out.string() +
                                    "' 2>'" + err.string() + "' </dev/null";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(out), ReadText(err)};
    }
    nlohmann::json Export() {
        const Result r = Run("export -");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.exitCode == 0 ? nlohmann::json::parse(r.out) : nlohmann::json{};
    }
};

// Links at config.bin that lead nowhere: apply refuses, sends nothing and
// leaves the link as it was.
TEST_F(CliPosixTest, ApplyLeavesLinksThatLeadNowhere) {
    namespace fs = std::filesystem;
    fs::remove(dir / "config.bin");
    const auto expectRefused = [&](const std::string& why) {
        SCOPED_TRACE(why);
        fs::remove(dir / "apply.trace");
        const Result r = Run("--simulate --trace apply.trace apply");
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find("./config.bin: Config file is not exist."), std::string::npos)
            << r.err;
        EXPECT_NE(r.err.find("nothing was sent"), std::string::npos) << r.err;
        EXPECT_EQ(ReadText(dir / "apply.trace").find("set-feature"), std::string::npos)
            << ReadText(dir / "apply.trace");
    };
    // Links that lead nowhere stay as they are.
    fs::create_symlink("elsewhere/config.bin", dir / "config.bin");
    expectRefused("dangling link");
    EXPECT_EQ(fs::read_symlink(dir / "config.bin"), "elsewhere/config.bin");
    EXPECT_FALSE(fs::exists(dir / "elsewhere"));
    fs::remove(dir / "config.bin");
    fs::create_symlink("config.bin", dir / "config.bin");
    expectRefused("looping link");
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dir / "config.bin")));
}

// Here the real mouse is reached through hidraw nodes, which the udev rule opens to the user.
TEST_F(CliPosixTest, NoRealMouseHintsNameTheUdevRule) {
    const Result r = Run("raw 0x83");
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find("ornyxctl: hint: is it plugged in, and may you open it? The udev rule "
                         "70-ornyx-mouse.rules"),
              std::string::npos)
        << r.err;
}

TEST_F(CliPosixTest, ATraceThatTakesNoLineIsAUsageError) {
    for (const char* args :
         {"--simulate --trace /dev/full raw 0x83", "--simulate --trace /dev/full apply"}) {
        const Result r = Run(args);
        EXPECT_EQ(r.exitCode, 2) << args;
        EXPECT_NE(r.err.find("cannot write trace file /dev/full"), std::string::npos) << r.err;
        EXPECT_EQ(r.out.find("reply:"), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("applied"), std::string::npos) << r.out;
    }
}

// A file of the home too large to be ours is refused before anything is copied
// or written: the command runs with a file-size limit far below the file, which
// stops any copy of it.
TEST_F(CliPosixTest, ImportRefusesAnOversizedHomeFileBeforeCopyingIt) {
    const nlohmann::json p = Export();
    WriteText(dir / "in.json", p.dump());
    for (const char* name : {"record.ini", "str.ini"}) {
        SCOPED_TRACE(name);
        WriteText(dir / name, "[A]\r\nItemCount=0\r\n");
        std::filesystem::resize_file(dir / name, 17u << 20);  // sparse: nothing to copy but size
        const std::string config = ReadText(dir / "config.bin");
        const Result r = RunLimited("import in.json");
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_NE(r.err.find(std::string(name) + " is larger than 16 MiB"), std::string::npos)
            << r.err;
        EXPECT_EQ(ReadText(dir / "config.bin"), config);
        EXPECT_EQ(std::filesystem::file_size(dir / name), 17u << 20);
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            const std::string left = entry.path().filename().string();
            EXPECT_NE(left.rfind("." + std::string(name), 0), 0u) << "a copy was left: " << left;
        }
        std::filesystem::remove(dir / name);
    }
}

// The desktop program's unattended screenshot run ends on its own even when
// start-up has messages to show (here: no config.bin, no skin).
TEST_F(CliPosixTest, DesktopScreenshotRunNeverWaitsForAClick) {
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        std::filesystem::remove_all(entry.path());
    }
    const auto program = std::filesystem::path(ORNYXCTL_PATH).parent_path() / "ornyx-mouse";
    if (!std::filesystem::exists(program)) GTEST_SKIP() << "the desktop program is not built";
    const std::string command =
        "cd '" + dir.path().string() +
        "' && XDG_RUNTIME_DIR=\"$PWD\" QT_QPA_PLATFORM=offscreen timeout 30 '" + program.string() +
        "' --home . --simulate --show --screenshot shot.png >out.txt 2>err.txt";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_NE(WEXITSTATUS(status), 124) << "timed out";
    EXPECT_NE(ReadText(dir / "err.txt").find("Config file is not exist."), std::string::npos);
}

// The desktop program's screenshot run while another instance holds the lock:
// a failure with a message, never success without the file.
TEST_F(CliPosixTest, ScreenshotRunWhileAnotherInstanceRuns) {
    const auto program = std::filesystem::path(ORNYXCTL_PATH).parent_path() / "ornyx-mouse";
    if (!std::filesystem::exists(program)) {
        if (std::getenv("CI") != nullptr) FAIL() << "ornyx-mouse is not built: " << program;
        GTEST_SKIP() << "the desktop program is not built";
    }
    // Hold the single-instance lock as a running instance would.
    const int fd = ::open((dir / "Z93Mutex").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    const std::string command =
        "cd '" + dir.path().string() +
        "' && XDG_RUNTIME_DIR=\"$PWD\" QT_QPA_PLATFORM=offscreen timeout 30 '" + program.string() +
        "' --home . --simulate --screenshot shot.png >out.txt 2>err.txt";
    const int status = std::system(command.c_str());
    ::close(fd);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_NE(WEXITSTATUS(status), 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "shot.png"));
    EXPECT_NE(ReadText(dir / "err.txt").find("another instance"), std::string::npos);
}

}  // namespace

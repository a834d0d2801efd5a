// ornyxctl's home files and what only a POSIX system can put there: pipes,
// links, a lock file that is a link, and the umask of new files.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "cli/CliRun.h"
#include "settings/HomeLock.h"
#include "support/TempDir.h"

namespace ornyx::test {
namespace {

namespace fs = std::filesystem;

class HomeFilesPosixTest : public ::testing::Test {
protected:
    TempDir dir;
    fs::path home = dir / "home";
    fs::path log = dir / "log.txt";

    void SetUp() override { ASSERT_EQ(RunCli(home, {"init"}), 0); }

    int Run(const std::vector<std::string>& args) { return RunCli(home, args, log); }
    std::string Output() { return ReadText(log); }
};

TEST_F(HomeFilesPosixTest, APipeAtConfigBinIsRefusedWithoutWaiting) {
    fs::remove(home / "config.bin");
    ASSERT_EQ(::mkfifo((home / "config.bin").c_str(), 0600), 0);
    EXPECT_EQ(Run({"--simulate", "apply"}), 1) << Output();
    EXPECT_NE(Output().find("not a regular file"), std::string::npos) << Output();
    EXPECT_TRUE(fs::is_fifo(home / "config.bin"));
}

TEST_F(HomeFilesPosixTest, ExportRefusesWhatIsNotARegularFileAndWritesThroughLinks) {
    const fs::path fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(Run({"export", fifo.string()}), 1);
    EXPECT_NE(Output().find("not a regular file"), std::string::npos) << Output();
    EXPECT_TRUE(fs::is_fifo(fifo));

    WriteText(dir / "target.json", "old");
    fs::create_symlink("target.json", dir / "link.json");
    ASSERT_EQ(Run({"export", (dir / "link.json").string()}), 0) << Output();
    EXPECT_TRUE(fs::is_symlink(dir / "link.json"));
    EXPECT_NE(ReadText(dir / "target.json").find("\"macros\""), std::string::npos);
}

TEST_F(HomeFilesPosixTest, NewFilesFollowTheUmask) {
    const fs::path fresh = dir / "fresh";
    const std::string command = "umask 077 && '" + std::string(ORNYXCTL_PATH) + "' --home '" +
                                fresh.string() + "' init >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (const char* name : {"config.bin", "str.ini"}) {
        struct stat st {};
        ASSERT_EQ(::stat((fresh / name).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u) << name;
    }
}

TEST_F(HomeFilesPosixTest, AWriterRefusesToRunWithoutTheLock) {
    fs::remove(home / settings::kLockFileName);
    fs::create_symlink("/dev/null", home / settings::kLockFileName);
    const auto before = ReadBytes(home / "config.bin");
    EXPECT_EQ(Run({"macro", "pack"}), 1);
    EXPECT_NE(Output().find("not a regular file"), std::string::npos) << Output();
    EXPECT_EQ(ReadBytes(home / "config.bin"), before);
    EXPECT_EQ(Run({"show"}), 0) << Output();
    EXPECT_NE(Output().find("warning"), std::string::npos) << Output();
}

}  // namespace
}  // namespace ornyx::test

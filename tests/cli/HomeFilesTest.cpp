// ornyxctl never loses the files of its home: refusals over a config.bin it
// could not load, init's repair, left-over temporary files and the home lock.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "cli/CliRun.h"
#include "settings/HomeLock.h"
#include "support/TempDir.h"

namespace ornyx::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr std::size_t kConfigSize = 1986;

class HomeFilesTest : public ::testing::Test {
protected:
    TempDir dir;
    fs::path home = dir / "home";
    fs::path log = dir / "log.txt";

    void SetUp() override { ASSERT_EQ(RunCli(home, {"init"}), 0); }

    int Run(const std::vector<std::string>& args) { return RunCli(home, args, log); }
    std::string Output() { return ReadText(log); }
};

TEST_F(HomeFilesTest, AConfigThatCannotBeLoadedIsRefusedAndSurvivesByteForByte) {
    ASSERT_EQ(Run({"export", (dir / "p.json").string()}), 0) << Output();
    std::vector<std::uint8_t> bytes = ReadBytes(home / "config.bin");
    bytes.push_back('\n');  // 1987 bytes
    WriteBytes(home / "config.bin", bytes);

    for (const std::vector<std::string>& args : {std::vector<std::string>{"--simulate", "apply"},
                                                 {"macro", "pack"},
                                                 {"export", (dir / "out.json").string()},
                                                 {"import", (dir / "p.json").string()}}) {
        EXPECT_EQ(Run(args), 1) << args.back() << ": " << Output();
        EXPECT_NE(Output().find("cannot be read as a settings file"), std::string::npos)
            << Output();
        // What is wrong, not what a good file would be.
        EXPECT_NE(Output().find("it holds 1987 bytes"), std::string::npos) << Output();
        EXPECT_EQ(ReadBytes(home / "config.bin"), bytes) << args.back();
    }
    EXPECT_FALSE(fs::exists(dir / "out.json"));

    // show still shows (zeros), with a warning.
    EXPECT_EQ(Run({"show", "--json"}), 0);
    EXPECT_NE(Output().find("warning"), std::string::npos) << Output();
    EXPECT_NE(Output().find("\"first_run_flag\": 0"), std::string::npos) << Output();

    // A folder in its place is refused the same way.
    fs::remove(home / "config.bin");
    fs::create_directory(home / "config.bin");
    EXPECT_EQ(Run({"--simulate", "apply"}), 1) << Output();
    EXPECT_NE(Output().find("it is a folder"), std::string::npos) << Output();
    EXPECT_TRUE(fs::is_directory(home / "config.bin"));
}

TEST_F(HomeFilesTest, InitRepairsAStrIniAKilledInitLeft) {
    const std::string complete = ReadText(home / "str.ini");
    WriteText(home / "str.ini", "[Skins]\r\nRColor=230\r\n");
    ASSERT_EQ(Run({"init"}), 0);
    EXPECT_NE(Output().find("added missing keys"), std::string::npos) << Output();
    EXPECT_EQ(ReadText(home / "str.ini"), complete);
    ASSERT_EQ(Run({"init"}), 0);
    EXPECT_NE(Output().find("nothing to do"), std::string::npos) << Output();
}

TEST_F(HomeFilesTest, TheNextCommandRemovesTemporaryFilesOfKilledSaves) {
    for (const char* name :
         {".config.bin.ornyx-K1ll3d", ".str.ini.ornyx-K1ll3d", ".record.ini.ornyx-K1ll3d"}) {
        WriteText(home / name, "partial");
    }
    ASSERT_EQ(Run({"show"}), 0);
    for (const auto& e : fs::directory_iterator(home)) {
        const std::string name = e.path().filename().string();
        EXPECT_TRUE(name[0] != '.' || name == settings::kLockFileName) << name;
    }
}

// A home copied in from elsewhere may carry a journal. Even the read-only show
// takes the lock and so finishes journals: one that names anything but our
// own temporary files is set aside, said once, and changes nothing.
TEST_F(HomeFilesTest, AHostileJournalChangesNothingOutsideOrInsideTheHome) {
    const fs::path victim = dir / "victim";
    WriteText(victim, "the user's shell start-up");
    WriteText(home / ".config.bin.ornyx-Evil01", "payload");
    const auto config = ReadBytes(home / "config.bin");
    // In the format of the version before, which followed it.
    const std::string journal = std::string("ornyx-mouse journal 1\n") +
                                ".config.bin.ornyx-Evil01" + '\0' + "../victim" + '\0' + "end\n";
    WriteText(home / settings::kJournalFileName, journal);
    // Run from the home, where a relative path would lead out of it.
    const fs::path cwd = fs::current_path();
    fs::current_path(home);
    const int shown = Run({"show"});
    fs::current_path(cwd);
    ASSERT_EQ(shown, 0) << Output();
    EXPECT_NE(Output().find("warning"), std::string::npos) << Output();
    EXPECT_NE(Output().find(".ornyx-mouse.journal.bad"), std::string::npos) << Output();
    EXPECT_EQ(ReadText(victim), "the user's shell start-up");
    EXPECT_EQ(ReadBytes(home / "config.bin"), config);
    EXPECT_EQ(ReadText(home / (std::string(settings::kJournalFileName) + ".bad")), journal);
    ASSERT_EQ(Run({"show"}), 0);
    EXPECT_EQ(Output().find("warning"), std::string::npos) << Output();
}

TEST_F(HomeFilesTest, AWriterWaitsForTheLockAnotherHolds) {
    const auto before = ReadBytes(home / "config.bin");
    settings::HomeLock held;
    std::string error;
    ASSERT_TRUE(held.Acquire(home, settings::HomeLock::Mode::Shared, 1s, error));
    Child pack(home, {"macro", "pack"}, log);
    std::this_thread::sleep_for(400ms);
    EXPECT_TRUE(pack.Running());
    EXPECT_EQ(ReadBytes(home / "config.bin"), before);
    held.Release();
    EXPECT_EQ(pack.Wait(), 0) << Output();
}

// The home's name reaches ornyxctl whole: spaces, other scripts, and a
// trailing separator the command line must not turn into an escape.
TEST_F(HomeFilesTest, AHomeNamedInAnyScriptWithSpacesIsTheOneUsed) {
    const fs::path other = dir.path() / fs::path(u8"Папка 文件夹") / "two  spaces";
    fs::create_directories(other);
    ASSERT_EQ(RunCli(other / "", {"init"}, log), 0) << Output();
    EXPECT_EQ(ReadBytes(other / "config.bin").size(), kConfigSize);
    EXPECT_TRUE(fs::exists(other / "str.ini"));
    ASSERT_EQ(RunCli(other, {"export", PathArgument(other / "p r.json")}, log), 0) << Output();
    EXPECT_NE(ReadText(other / "p r.json").find("\"macros\""), std::string::npos);
}

}  // namespace
}  // namespace ornyx::test

// What only a POSIX system has: links, a save cut short by the file size
// limit, and the XDG folders with the older per-user folder they replaced.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <filesystem>

#include "settings/Configuration.h"
#include "settings/ProgramHome.h"
#include "support/TempDir.h"

namespace ornyx::settings {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

std::vector<std::uint8_t> PatternFile(std::uint8_t flag) {
    std::vector<std::uint8_t> bytes(kConfigFileSize);
    bytes[0] = flag;
    for (std::size_t i = 1; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return bytes;
}

struct Fixture {
    TempDir dir;
    ProgramPaths paths = ProgramPaths::ForHome(dir.path());
    SettingsState state;
    RecordingMessageSink messages;
    NullDebugLog log;
};

TEST(ConfigurationTest, FailedSaveLeavesTheOldFileIntact) {
    Fixture f;
    const auto original = PatternFile(0);
    WriteBytes(f.paths.config, original);
    f.state.image.bytes.fill(0xAA);
    // A write that fails half-way, as on a full disk: the file size limit
    // stops it after 1000 bytes (and works for root too). A truncating
    // write would have lost the old settings at that point.
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = old;
    limited.rlim_cur = 1000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool saved = SaveConfiguration(f.paths, f.state, f.messages, f.log);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadBytes(f.paths.config), original);
    ASSERT_EQ(f.messages.messages.size(), 1u);
    EXPECT_EQ(f.messages.messages[0].caption, "NULL ==fp ");
    EXPECT_EQ(f.messages.messages[0].text, Format("Error Code is: %d \n", EFBIG));
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(f.dir.path()), fs::directory_iterator()), 1);
}

TEST(ConfigurationTest, ReasonsNameWhatIsWrongWithALink) {
    Fixture f;
    fs::create_symlink("nowhere", f.paths.config);
    EXPECT_EQ(UnusableConfigurationReason(f.paths.config), "it is a link to nothing");
    fs::remove(f.paths.config);
    fs::create_symlink(f.paths.config.filename(), f.paths.config);
    EXPECT_EQ(UnusableConfigurationReason(f.paths.config), "its links go round in a loop");
}

// A link that leads nowhere is something in its place too: the defaults are
// not copied through it to wherever it points.
TEST(ProgramHomeTest, FillingNeverCopiesThroughADanglingLink) {
    TempDir dir;
    const fs::path defaults = dir.path() / "defaults";
    const fs::path home = dir.path() / "home";
    fs::create_directories(defaults);
    fs::create_directories(home);
    test::WriteText(defaults / "record.ini", "[m]\r\n");
    fs::create_symlink(dir.path() / "elsewhere", home / "record.ini");
    std::string error;
    ASSERT_TRUE(FillHomeFromDefaults(home, defaults, error)) << error;
    EXPECT_FALSE(fs::exists(dir.path() / "elsewhere"));
    EXPECT_TRUE(fs::is_symlink(home / "record.ini"));
}

TEST(ProgramHomeTest, ChoosesExplicitThenPortableThenPerUserFolder) {
    TempDir dir;
    const fs::path exeDir = dir.path() / "bin";
    fs::create_directories(exeDir);

    auto c = ChooseProgramHome(dir.path() / "h", exeDir, "/xdg", "/home/u");
    EXPECT_EQ(c.home, dir.path() / "h");
    EXPECT_FALSE(c.perUser);

    // Per user: the configuration folder, with the data folder beside it for skins.
    c = ChooseProgramHome(std::nullopt, exeDir, "/xdg", "/home/u", "/cfg");
    EXPECT_EQ(c.home, fs::path("/cfg/ornyx-mouse"));
    EXPECT_EQ(c.dataHome, fs::path("/xdg/ornyx-mouse"));
    EXPECT_TRUE(c.perUser);
    // Empty or relative XDG variables are ignored.
    c = ChooseProgramHome(std::nullopt, exeDir, "relative/path", "/home/u", "");
    EXPECT_EQ(c.home, fs::path("/home/u/.config/ornyx-mouse"));
    EXPECT_EQ(c.dataHome, fs::path("/home/u/.local/share/ornyx-mouse"));
    c = ChooseProgramHome(std::nullopt, exeDir, nullptr, "/home/u", "cfg");
    EXPECT_EQ(c.home, fs::path("/home/u/.config/ornyx-mouse"));

    fs::create_directory(exeDir / "Skins");
    c = ChooseProgramHome(std::nullopt, exeDir, "/xdg", "/home/u");
    EXPECT_EQ(c.home, exeDir);
    EXPECT_TRUE(c.portable);

    const auto paths = ProgramPaths::ForHome("/opt/tools");
    EXPECT_EQ(paths.config, fs::path("/opt/tools/config.bin"));
    EXPECT_EQ(paths.record, fs::path("/opt/tools/record.ini"));
    EXPECT_EQ(paths.text, fs::path("/opt/tools/str.ini"));
}

TEST(ProgramHomeTest, OlderFolderMovesOnceAndWhole) {
    TempDir dir;
    const fs::path from = dir.path() / "data" / "ornyx-mouse";
    const fs::path to = dir.path() / "config" / "ornyx-mouse";
    fs::create_directories(from / "Skins" / "Own");
    WriteBytes(from / "config.bin", PatternFile(3));
    test::WriteText(from / "str.ini", "[Skins]\r\nLan=CHT\r\n");
    test::WriteText(from / "record.ini", "[m1]\r\n");

    std::string error;
    ASSERT_TRUE(MoveLegacyConfiguration(from, to, error)) << error;
    EXPECT_EQ(ReadBytes(to / "config.bin"), PatternFile(3));
    EXPECT_EQ(test::ReadText(to / "str.ini"), "[Skins]\r\nLan=CHT\r\n");
    EXPECT_EQ(test::ReadText(to / "record.ini"), "[m1]\r\n");
    // Moved, not copied; the user's skins stay in the data folder.
    EXPECT_FALSE(fs::exists(from / "config.bin"));
    EXPECT_FALSE(fs::exists(from / "str.ini"));
    EXPECT_TRUE(fs::is_directory(from / "Skins" / "Own"));
    // Nothing but the new folder is left beside it (no staging folder).
    EXPECT_EQ(std::distance(fs::directory_iterator(to.parent_path()), fs::directory_iterator()), 1);

    // Once there, the new folder is never replaced by older files.
    WriteBytes(from / "config.bin", PatternFile(9));
    ASSERT_TRUE(MoveLegacyConfiguration(from, to, error)) << error;
    EXPECT_EQ(ReadBytes(to / "config.bin"), PatternFile(3));
    EXPECT_TRUE(fs::exists(from / "config.bin"));

    // No older files: nothing is created.
    const fs::path fresh = dir.path() / "fresh" / "ornyx-mouse";
    ASSERT_TRUE(MoveLegacyConfiguration(dir.path() / "none", fresh, error)) << error;
    EXPECT_FALSE(fs::exists(fresh.parent_path()));
}

TEST(ProgramHomeTest, UnusableTargetKeepsTheOlderFiles) {
    TempDir dir;
    const fs::path from = dir.path() / "data";
    fs::create_directories(from);
    WriteBytes(from / "config.bin", PatternFile(4));
    // A file where the configuration folder's parent should be: no user can
    // create the folder there.
    test::WriteText(dir.path() / "blocked", "x");
    std::string error;
    EXPECT_FALSE(MoveLegacyConfiguration(from, dir.path() / "blocked" / "ornyx-mouse", error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadBytes(from / "config.bin"), PatternFile(4));
}

}  // namespace
}  // namespace ornyx::settings

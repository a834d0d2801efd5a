#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <filesystem>

#include "settings/Configuration.h"
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

TEST(ConfigurationTest, LoadTakesFlagAndImageByteForByte) {
    Fixture f;
    const auto file = PatternFile(0);
    WriteBytes(f.paths.config, file);
    LoadConfiguration(f.paths, f.state, f.messages, f.log);
    EXPECT_TRUE(f.messages.messages.empty());
    EXPECT_EQ(f.state.firstRunFlag, 0);
    EXPECT_TRUE(std::equal(file.begin() + 1, file.end(), f.state.image.bytes.begin()));
    // Named fields sit at their offsets.
    EXPECT_EQ(f.state.image.reportRate(), file[1 + 1925]);
    EXPECT_EQ(f.state.image.dpiColour(4)[2], file[1 + 1946]);
    EXPECT_EQ(f.state.image.dpiVariant(Mode::B, 11), file[1 + 1984]);
    EXPECT_EQ(f.state.image.function(Mode::B, 0), file[1 + 192]);
    EXPECT_EQ(f.state.image.slot(Mode::A, SlotArray::MacroRepeatMode, 11), file[1 + 191]);
    EXPECT_EQ(f.state.image.macroSlot(12)[127], file[1 + 1919]);
}

TEST(ConfigurationTest, WrongSizesAndMissingFileLeaveTheImageAlone) {
    for (std::size_t size :
         {std::size_t{0}, std::size_t{1}, kConfigFileSize - 1, kConfigFileSize + 1}) {
        Fixture f;
        f.state.image.bytes.fill(0x33);
        WriteBytes(f.paths.config, std::vector<std::uint8_t>(size, 0x01));
        LoadConfiguration(f.paths, f.state, f.messages, f.log);
        EXPECT_TRUE(f.messages.messages.empty()) << size;
        EXPECT_EQ(f.state.image.bytes[0], 0x33) << size;
    }
    Fixture missing;
    LoadConfiguration(missing.paths, missing.state, missing.messages, missing.log);
    ASSERT_EQ(missing.messages.messages.size(), 1u);
    EXPECT_EQ(missing.messages.messages[0].text, "Config file is not exist.");
    EXPECT_EQ(missing.state.image, SettingsImage{});

    // A folder where the file should be behaves as a wrong size, silently.
    Fixture folder;
    fs::create_directory(folder.paths.config);
    LoadConfiguration(folder.paths, folder.state, folder.messages, folder.log);
    EXPECT_TRUE(folder.messages.messages.empty());
}

// What the refusal of an unusable file says. Opening is tested through the
// errno, as a test run as root may read a file of any mode.
TEST(ConfigurationTest, ReasonsNameWhatIsWrongWithTheFile) {
    Fixture f;
    EXPECT_EQ(UnusableConfigurationReason(f.paths.config), "there is no such file");
    WriteBytes(f.paths.config, PatternFile(1));
    EXPECT_EQ(UnusableConfigurationReason(f.paths.config), "");
    WriteBytes(f.paths.config, std::vector<std::uint8_t>(kConfigFileSize + 1));
    EXPECT_EQ(UnusableConfigurationReason(f.paths.config),
              "it holds 1987 bytes; a settings file holds 1986");
    fs::remove(f.paths.config);
    fs::create_directory(f.paths.config);
    EXPECT_EQ(UnusableConfigurationReason(f.paths.config), "it is a folder, not a file");
    fs::remove(f.paths.config);
    fs::create_symlink("nowhere", f.paths.config);
    EXPECT_EQ(UnusableConfigurationReason(f.paths.config), "it is a link to nothing");
    fs::remove(f.paths.config);
    fs::create_symlink(f.paths.config.filename(), f.paths.config);
    EXPECT_EQ(UnusableConfigurationReason(f.paths.config), "its links go round in a loop");

    EXPECT_NE(CannotOpenReason(EACCES).find("permission denied"), std::string::npos);
    EXPECT_NE(CannotOpenReason(EPERM).find("permission denied"), std::string::npos);
    EXPECT_EQ(CannotOpenReason(EIO), "it cannot be opened: " + std::string(std::strerror(EIO)));
}

TEST(ConfigurationTest, SaveWritesFlagOneAndKeepsReservedBytes) {
    Fixture f;
    WriteBytes(f.paths.config, PatternFile(0));
    LoadConfiguration(f.paths, f.state, f.messages, f.log);
    f.state.image.reportRate() = 8;
    ASSERT_TRUE(SaveConfiguration(f.paths, f.state, f.messages, f.log));
    auto expected = PatternFile(1);
    expected[1 + 1925] = 8;
    EXPECT_EQ(ReadBytes(f.paths.config), expected);  // reserved bytes 1920..1924, 1926, 1954 kept
    EXPECT_EQ(f.state.firstRunFlag, 0);              // the loaded flag is not changed by saving

    SettingsState reloaded;
    LoadConfiguration(f.paths, reloaded, f.messages, f.log);
    EXPECT_EQ(reloaded.image, f.state.image);
    EXPECT_EQ(reloaded.firstRunFlag, 1);
}

TEST(ConfigurationTest, SaveNeverCreatesTheFile) {
    Fixture f;
    EXPECT_FALSE(SaveConfiguration(f.paths, f.state, f.messages, f.log));
    EXPECT_FALSE(fs::exists(f.paths.config));
    ASSERT_EQ(f.messages.messages.size(), 1u);
    EXPECT_EQ(f.messages.messages[0].text, "Config file is not exist.");
}

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

TEST(ProgramHomeTest, FillingCopiesOnlyWhatIsMissing) {
    TempDir dir;
    const fs::path defaults = dir.path() / "defaults";
    fs::create_directories(defaults / "Skins" / "Dark");
    WriteBytes(defaults / "config.bin", PatternFile(0));
    test::WriteText(defaults / "str.ini", "[Skins]\r\nLan=TUR\r\n");
    test::WriteText(defaults / "Skins" / "Dark" / "a.png", "png");
    const fs::path home = dir.path() / "home" / "ornyx-mouse";
    fs::create_directories(home);
    test::WriteText(home / "str.ini", "[Skins]\r\nLan=CHS\r\n");

    std::string error;
    ASSERT_TRUE(FillHomeFromDefaults(home, defaults, error)) << error;
    EXPECT_EQ(ReadBytes(home / "config.bin"), PatternFile(0));
    EXPECT_EQ(test::ReadText(home / "str.ini"), "[Skins]\r\nLan=CHS\r\n");  // never overwritten
    EXPECT_TRUE(fs::exists(home / "Skins" / "Dark" / "a.png"));
    EXPECT_FALSE(fs::exists(home / "record.ini"));

    // A link that leads nowhere is something in its place too: the defaults are
    // not copied through it to wherever it points.
    test::WriteText(defaults / "record.ini", "[m]\r\n");
    fs::create_symlink(dir.path() / "elsewhere", home / "record.ini");
    ASSERT_TRUE(FillHomeFromDefaults(home, defaults, error)) << error;
    EXPECT_FALSE(fs::exists(dir.path() / "elsewhere"));
    EXPECT_TRUE(fs::is_symlink(home / "record.ini"));
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

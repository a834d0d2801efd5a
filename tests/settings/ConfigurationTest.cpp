#include <gtest/gtest.h>

#include <cerrno>
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

// The Windows home: --home first, then the program's folder only when it has
// the skins and can be written, else the roaming folder; a program folder
// that looks portable but cannot be written says where the settings went.
TEST(ProgramHomeTest, WindowsHomeIsTheProgramFolderOnlyWhenItCanBeWritten) {
    const fs::path exe = fs::path("Programs") / "Ornyx";
    const fs::path roaming = fs::path("Users") / "u" / "Roaming";
    const fs::path perUser = roaming / "Ornyx Mouse";

    auto c = ChooseWindowsHome(fs::path("mine"), exe, true, true, roaming);
    EXPECT_EQ(c.home, fs::path("mine"));
    EXPECT_FALSE(c.portable);
    EXPECT_EQ(c.notice, "");

    c = ChooseWindowsHome(std::nullopt, exe, true, true, roaming);
    EXPECT_EQ(c.home, exe);
    EXPECT_TRUE(c.portable);

    c = ChooseWindowsHome(std::nullopt, exe, false, true, roaming);
    EXPECT_EQ(c.home, perUser);
    EXPECT_FALSE(c.portable);
    EXPECT_EQ(c.notice, "");  // an installed program: nothing to explain

    c = ChooseWindowsHome(std::nullopt, exe, true, false, roaming);
    EXPECT_EQ(c.home, perUser);
    EXPECT_FALSE(c.portable);
    EXPECT_NE(c.notice.find(exe.string() + " cannot be written"), std::string::npos) << c.notice;
    EXPECT_NE(c.notice.find(perUser.string()), std::string::npos) << c.notice;

    // No folder known for the program: never the working folder.
    c = ChooseWindowsHome(std::nullopt, fs::path(), true, true, roaming);
    EXPECT_EQ(c.home, perUser);
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
}

}  // namespace
}  // namespace ornyx::settings

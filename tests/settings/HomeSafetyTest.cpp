// What keeps the program home's files from being lost: setting aside a
// config.bin that could not be loaded, the home lock, the replacement journal
// and init's repair of str.ini.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "i18n/TextSettings.h"
#include "profile/PrivateProfile.h"
#include "session/Defaults.h"
#include "settings/Configuration.h"
#include "settings/HomeLock.h"
#include "support/TempDir.h"

namespace ornyx::settings {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::ReadBytes;
using test::ReadText;
using test::TempDir;
using test::WriteBytes;
using test::WriteText;

struct Home {
    TempDir dir;
    ProgramPaths paths = ProgramPaths::ForHome(dir.path());
    SettingsState state;
    RecordingMessageSink messages;
    NullDebugLog log;
};

std::vector<std::uint8_t> Bytes(std::size_t n, std::uint8_t v) {
    return std::vector<std::uint8_t>(n, v);
}

TEST(ConfigurationSafetyTest, ProbeTellsLoadableFromUnusable) {
    Home h;
    EXPECT_EQ(ProbeConfiguration(h.paths.config), ConfigStatus::Missing);
    WriteBytes(h.paths.config, Bytes(kConfigFileSize, 1));
    EXPECT_EQ(ProbeConfiguration(h.paths.config), ConfigStatus::Loaded);
    EXPECT_EQ(LoadConfiguration(h.paths, h.state, h.messages, h.log), ConfigStatus::Loaded);
    for (std::size_t size : {kConfigFileSize - 1, kConfigFileSize + 1, std::size_t{0}}) {
        WriteBytes(h.paths.config, Bytes(size, 1));
        EXPECT_EQ(ProbeConfiguration(h.paths.config), ConfigStatus::Unusable) << size;
        EXPECT_EQ(LoadConfiguration(h.paths, h.state, h.messages, h.log), ConfigStatus::Unusable);
    }
    fs::remove(h.paths.config);
    fs::create_directory(h.paths.config);
    EXPECT_EQ(ProbeConfiguration(h.paths.config), ConfigStatus::Unusable);
    // The load rules stay: no message for any of them.
    EXPECT_TRUE(h.messages.messages.empty());
}

TEST(ConfigurationSafetyTest, SaveOverAnUnusableFileKeepsItAsBadAndEarlierOnesToo) {
    Home h;
    const auto first = Bytes(kConfigFileSize + 1, 0x11);  // one newline too many
    const auto second = Bytes(kConfigFileSize - 1, 0x22);
    WriteBytes(h.paths.config, first);
    LoadConfiguration(h.paths, h.state, h.messages, h.log);
    h.state.image.reportRate() = 3;
    ASSERT_TRUE(SaveConfiguration(h.paths, h.state, h.messages, h.log));
    EXPECT_EQ(ReadBytes(h.paths.config.string() + ".bad"), first);
    const auto saved = ReadBytes(h.paths.config);
    ASSERT_EQ(saved.size(), kConfigFileSize);
    EXPECT_EQ(saved[0], 1);
    ASSERT_EQ(h.messages.messages.size(), 1u);
    EXPECT_NE(h.messages.messages[0].text.find("config.bin.bad"), std::string::npos);

    // A good file is simply replaced; a later bad one goes beside the first.
    ASSERT_TRUE(SaveConfiguration(h.paths, h.state, h.messages, h.log));
    EXPECT_FALSE(fs::exists(h.paths.config.string() + ".bad.1"));
    WriteBytes(h.paths.config, second);
    ASSERT_TRUE(SaveConfiguration(h.paths, h.state, h.messages, h.log));
    EXPECT_EQ(ReadBytes(h.paths.config.string() + ".bad"), first);
    EXPECT_EQ(ReadBytes(h.paths.config.string() + ".bad.1"), second);
}

TEST(ConfigurationSafetyTest, AFolderInPlaceOfTheFileIsMovedAsideWhole) {
    Home h;
    fs::create_directory(h.paths.config);
    WriteText(h.paths.config / "inside", "kept");
    ASSERT_TRUE(SaveConfiguration(h.paths, h.state, h.messages, h.log));
    EXPECT_EQ(ReadText(h.paths.config.string() + ".bad/inside"), "kept");
    EXPECT_EQ(ReadBytes(h.paths.config).size(), kConfigFileSize);
}

TEST(HomeLockTest, ExclusiveExcludesEveryOtherAndSharedOnlyWriters) {
    TempDir dir;
    std::string error;
    HomeLock writer;
    ASSERT_TRUE(writer.Acquire(dir.path(), HomeLock::Mode::Exclusive, 1s, error));
    EXPECT_TRUE(writer.held());
    HomeLock other;
    EXPECT_FALSE(other.Acquire(dir.path(), HomeLock::Mode::Shared, 50ms, error));
    EXPECT_NE(error.find("another program"), std::string::npos);
    writer.Release();

    HomeLock reader1, reader2;
    ASSERT_TRUE(reader1.Acquire(dir.path(), HomeLock::Mode::Shared, 1s, error));
    ASSERT_TRUE(reader2.Acquire(dir.path(), HomeLock::Mode::Shared, 1s, error));
    EXPECT_FALSE(other.Acquire(dir.path(), HomeLock::Mode::Exclusive, 50ms, error));
    reader1.Release();
    reader2.Release();
    EXPECT_TRUE(other.Acquire(dir.path(), HomeLock::Mode::Exclusive, 50ms, error));

    // A folder that is not there has nothing to protect.
    HomeLock none;
    EXPECT_TRUE(none.Acquire(dir / "missing", HomeLock::Mode::Exclusive, 50ms, error));
    EXPECT_FALSE(none.held());
}

TEST(HomeLockTest, TakingTheLockClearsWhatKilledWritersLeft) {
    TempDir dir;
    WriteText(dir / ".config.bin.Ab12Cd", "x");
    WriteText(dir / ".str.ini.Ab12Cd", "x");
    WriteText(dir / ".record.ini.Ab12Cd", "x");
    WriteText(dir / ".stranger.Ab12Cd", "not ours");
    std::string error;
    HomeLock lock;
    ASSERT_TRUE(lock.Acquire(dir.path(), HomeLock::Mode::Shared, 1s, error));
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(dir.path()))
        left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{kLockFileName, ".stranger.Ab12Cd"}));
}

WriteResult WriteString(const fs::path& p, const std::string& text) {
    return WriteFileAtomically(
        p, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

TEST(JournalTest, ReplaceTogetherWritesEveryFileAndLeavesNothingBehind) {
    TempDir dir;
    WriteText(dir / "a", "old a");
    WriteText(dir / "b", "[x]\r\nk=1\r\n");
    const std::vector<PlannedWrite> writes = {
        {dir / "a", [](const fs::path& p) { return WriteString(p, "new a"); }, false},
        // A read-modify-write sees the old content at its temporary name.
        {dir / "b",
         [](const fs::path& p) { return profile::WritePrivateProfileString(p, "x", "k", "2"); },
         true},
        {dir / "c", [](const fs::path& p) { return WriteString(p, "new c"); }, false},
    };
    ASSERT_TRUE(ReplaceTogether(dir.path(), writes).ok);
    EXPECT_EQ(ReadText(dir / "a"), "new a");
    EXPECT_EQ(ReadText(dir / "b"), "[x]\r\nk=2\r\n");
    EXPECT_EQ(ReadText(dir / "c"), "new c");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 3);
}

TEST(JournalTest, AFailedWriteChangesNothing) {
    TempDir dir;
    WriteText(dir / "a", "old a");
    WriteText(dir / "b", "old b");
    const std::vector<PlannedWrite> writes = {
        {dir / "a", [](const fs::path& p) { return WriteString(p, "new a"); }, false},
        {dir / "b",
         [](const fs::path& p) {
             return WriteResult{false, EIO, "cannot write " + p.string() + ": disk gone"};
         },
         true},
    };
    const WriteResult r = ReplaceTogether(dir.path(), writes);
    EXPECT_FALSE(r.ok);
    // Named as the user knows it, not by our temporary name.
    EXPECT_EQ(r.error,
              "cannot write " + (dir / "b").string() + ": disk gone (nothing was changed)");
    EXPECT_EQ(ReadText(dir / "a"), "old a");
    EXPECT_EQ(ReadText(dir / "b"), "old b");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
}

// The states a kill can leave between the journal and its removal: none, some
// or all of the staged files renamed. Each is completed to all new.
TEST(JournalTest, RecoveryCompletesEveryInterruptedState) {
    for (int renamedBeforeKill = 0; renamedBeforeKill <= 3; ++renamedBeforeKill) {
        TempDir dir;
        const fs::path home = fs::absolute(dir.path());
        std::string journal = "ornyx-mouse journal 1\n";
        for (int i = 0; i < 3; ++i) {
            const fs::path target = home / ("f" + std::to_string(i));
            const fs::path staged =
                home / (".f" + std::to_string(i) + ".Stg00" + std::to_string(i));
            WriteText(i < renamedBeforeKill ? target : staged, "new" + std::to_string(i));
            if (i >= renamedBeforeKill) WriteText(target, "old" + std::to_string(i));
            journal += staged.string() + '\0' + target.string() + '\0';
        }
        journal += "end\n";
        WriteText(home / kJournalFileName, journal);

        std::string error;
        HomeLock lock;
        ASSERT_TRUE(lock.Acquire(home, HomeLock::Mode::Exclusive, 1s, error));
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(ReadText(home / ("f" + std::to_string(i))), "new" + std::to_string(i))
                << renamedBeforeKill << " " << i;
        }
        EXPECT_FALSE(fs::exists(home / kJournalFileName));
        EXPECT_FALSE(RecoverJournal(home));
    }
}

TEST(JournalTest, AJournalThatIsNotOursIsDroppedAndItsFilesUntouched) {
    TempDir dir;
    WriteText(dir / "f", "old");
    WriteText(dir / kJournalFileName,
              std::string("ornyx-mouse journal 1\n") + (dir / "x").string());
    EXPECT_TRUE(RecoverJournal(dir.path()));
    EXPECT_EQ(ReadText(dir / "f"), "old");
    EXPECT_FALSE(fs::exists(dir / kJournalFileName));
}

TEST(InitTest, RepairsAStrIniThatLacksItsKeysAndKeepsWhatItHolds) {
    TempDir dir;
    const ProgramPaths paths = ProgramPaths::ForHome(dir.path());
    session::InitResult fresh = session::InitProgramHome(ProgramPaths::ForHome(dir / "fresh"));
    ASSERT_TRUE(fresh.failure.ok);
    const std::string complete = ReadText(dir / "fresh" / "str.ini");

    // What a killed init used to leave.
    WriteText(paths.text, "[Skins]\r\nRColor=230\r\n");
    session::InitResult repaired = session::InitProgramHome(paths);
    ASSERT_TRUE(repaired.failure.ok) << repaired.failure.error;
    EXPECT_TRUE(repaired.repairedText);
    EXPECT_FALSE(repaired.wroteText);
    EXPECT_EQ(ReadText(paths.text), complete);

    // The user's own values stay; a complete file is left alone.
    WriteText(paths.text, "[Skins]\r\nLan=TUR\r\nPath=Mine\r\n");
    ASSERT_TRUE(session::InitProgramHome(paths).repairedText);
    const i18n::TextSettings text = i18n::LoadTextSettings(paths.text);
    EXPECT_EQ(text.languageCode, "TUR");
    EXPECT_EQ(text.skinName, "Mine");
    EXPECT_EQ(text.labels, i18n::DefaultButtonLabels(i18n::Language::Turkish));
    const session::InitResult again = session::InitProgramHome(paths);
    EXPECT_FALSE(again.repairedText || again.wroteText || again.wroteConfig);
}

}  // namespace
}  // namespace ornyx::settings

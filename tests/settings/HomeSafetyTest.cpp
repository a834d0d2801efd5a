// What keeps the program home's files from being lost: setting aside a
// config.bin that could not be loaded, the home lock, the replacement journal
// and init's repair of str.ini.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

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

std::vector<std::string> Entries(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

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

WriteResult WriteString(const fs::path& p, const std::string& text) {
    return WriteFileAtomically(
        p, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

TEST(JournalTest, ReplaceTogetherWritesEveryFileAndLeavesNothingBehind) {
    TempDir dir;
    WriteText(dir / "config.bin", "old a");
    WriteText(dir / "str.ini", "[x]\r\nk=1\r\n");
    const std::vector<PlannedWrite> writes = {
        {dir / "config.bin", [](const fs::path& p) { return WriteString(p, "new a"); }, false},
        // A read-modify-write sees the old content at its temporary name.
        {dir / "str.ini",
         [](const fs::path& p) { return profile::WritePrivateProfileString(p, "x", "k", "2"); },
         true},
        {dir / "record.ini", [](const fs::path& p) { return WriteString(p, "new c"); }, false},
    };
    ASSERT_TRUE(ReplaceTogether(dir.path(), writes).ok);
    EXPECT_EQ(ReadText(dir / "config.bin"), "new a");
    EXPECT_EQ(ReadText(dir / "str.ini"), "[x]\r\nk=2\r\n");
    EXPECT_EQ(ReadText(dir / "record.ini"), "new c");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 3);
}

TEST(JournalTest, AFailedWriteChangesNothing) {
    TempDir dir;
    WriteText(dir / "config.bin", "old a");
    WriteText(dir / "str.ini", "old b");
    const std::vector<PlannedWrite> writes = {
        {dir / "config.bin", [](const fs::path& p) { return WriteString(p, "new a"); }, false},
        {dir / "str.ini",
         [](const fs::path& p) {
             return WriteResult{false, EIO, "cannot write " + p.string() + ": disk gone"};
         },
         true},
    };
    const WriteResult r = ReplaceTogether(dir.path(), writes);
    EXPECT_FALSE(r.ok);
    // Named as the user knows it, not by our temporary name.
    EXPECT_EQ(r.error,
              "cannot write " + (dir / "str.ini").string() + ": disk gone (nothing was changed)");
    EXPECT_EQ(ReadText(dir / "config.bin"), "old a");
    EXPECT_EQ(ReadText(dir / "str.ini"), "old b");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
}

// A journal names our temporary files by name only, each beside its final name.
std::string Journal(const std::vector<std::pair<std::string, std::string>>& entries,
                    std::string_view header = "ornyx-mouse journal 2\n") {
    std::string text(header);
    for (const auto& [staged, target] : entries) text += staged + '\0' + target + '\0';
    return text + "end\n";
}

// The states a kill can leave between the journal and its removal: none, some
// or all of the staged files renamed. Each is completed to all new.
TEST(JournalTest, RecoveryCompletesEveryInterruptedState) {
    const char* names[] = {"config.bin", "str.ini", "record.ini"};
    for (int renamedBeforeKill = 0; renamedBeforeKill <= 3; ++renamedBeforeKill) {
        TempDir dir;
        std::vector<std::pair<std::string, std::string>> entries;
        for (int i = 0; i < 3; ++i) {
            const std::string staged =
                "." + std::string(names[i]) + ".ornyx-Stg00" + std::to_string(i);
            WriteText(dir / (i < renamedBeforeKill ? names[i] : staged), "new" + std::to_string(i));
            if (i >= renamedBeforeKill) WriteText(dir / names[i], "old" + std::to_string(i));
            entries.emplace_back(staged, names[i]);
        }
        WriteText(dir / kJournalFileName, Journal(entries));

        std::string error;
        HomeLock lock;
        ASSERT_TRUE(lock.Acquire(dir.path(), HomeLock::Mode::Exclusive, 1s, error));
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(ReadText(dir / names[i]), "new" + std::to_string(i))
                << renamedBeforeKill << " " << i;
        }
        EXPECT_EQ(Entries(dir.path()),
                  (std::vector<std::string>{kLockFileName, "config.bin", "record.ini", "str.ini"}));
        EXPECT_TRUE(lock.notices().empty());
        EXPECT_FALSE(RecoverJournal(dir.path()));
    }
}

// Whatever a journal names, only our own temporary files in its folder move,
// and only onto their own final names. Anything else is not followed at all:
// the journal is kept aside for the user to look at, and said so once.
TEST(JournalTest, AJournalNamingAnythingElseIsSetAsideAndNeverFollowed) {
    TempDir outside;
    const fs::path victim = outside / "victim";
    const fs::path payload = outside / ".config.bin.ornyx-Evil01";
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> entries;
        std::string header = "ornyx-mouse journal 2\n";
    };
    const std::vector<Case> cases = {
        {"an absolute target", {{".config.bin.ornyx-Stg001", victim.string()}}},
        {"an absolute staged file", {{payload.string(), "config.bin"}}},
        {"a target up the tree", {{".config.bin.ornyx-Stg001", "../victim"}}},
        {"a staged file up the tree", {{"../" + payload.filename().string(), "config.bin"}}},
        {"a target in a subfolder", {{".config.bin.ornyx-Stg001", "sub/config.bin"}}},
        {"the home itself", {{".config.bin.ornyx-Stg001", "."}}},
        {"a target that is not ours", {{".config.bin.ornyx-Stg001", ".bashrc"}}},
        {"a staged name that is not a temporary file", {{"keep.txt", "config.bin"}}},
        {"a staged file of another name", {{".str.ini.ornyx-Stg001", "config.bin"}}},
        {"a staged name of an older pattern", {{".config.bin.Stg001", "config.bin"}}},
        {"the same target twice",
         {{".config.bin.ornyx-Stg001", "config.bin"}, {".config.bin.ornyx-Stg002", "config.bin"}}},
        {"an older journal's absolute paths",
         {{".config.bin.ornyx-Stg001", "config.bin"}},
         "ornyx-mouse journal 1\n"},
        {"a journal cut short", {}, "ornyx-mouse journal 2\n.config.bin.ornyx-Stg001"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        WriteText(victim, "victim");
        WriteText(payload, "payload");
        fs::create_directory(dir / "sub");
        WriteText(dir / "config.bin", "config");
        WriteText(dir / "str.ini", "labels");
        WriteText(dir / "keep.txt", "the user's");
        WriteText(dir / ".config.bin.ornyx-Stg001", "staged");
        WriteText(dir / ".config.bin.ornyx-Stg002", "staged");
        WriteText(dir / ".config.bin.Stg001", "an older staged file");
        std::string journal = Journal(c.entries, c.header);
        if (c.entries.empty()) journal = c.header;
        WriteText(dir / kJournalFileName, journal);

        std::string error;
        HomeLock lock;
        ASSERT_TRUE(lock.Acquire(dir.path(), HomeLock::Mode::Exclusive, 1s, error)) << c.what;
        EXPECT_EQ(ReadText(victim), "victim") << c.what;
        EXPECT_EQ(ReadText(payload), "payload") << c.what;
        EXPECT_EQ(ReadText(dir / "config.bin"), "config") << c.what;
        EXPECT_EQ(ReadText(dir / "str.ini"), "labels") << c.what;
        EXPECT_EQ(ReadText(dir / "keep.txt"), "the user's") << c.what;
        EXPECT_EQ(ReadText(dir / ".config.bin.Stg001"), "an older staged file") << c.what;
        EXPECT_FALSE(fs::exists(dir / kJournalFileName)) << c.what;
        const fs::path aside = dir / (std::string(kJournalFileName) + ".bad");
        EXPECT_EQ(ReadText(aside), journal) << c.what;
        ASSERT_EQ(lock.notices().size(), 1u) << c.what;
        EXPECT_NE(lock.notices()[0].find(aside.string()), std::string::npos) << lock.notices()[0];
        // Set aside, it is said once only.
        lock.Release();
        ASSERT_TRUE(lock.Acquire(dir.path(), HomeLock::Mode::Exclusive, 1s, error));
        EXPECT_TRUE(lock.notices().empty()) << c.what;
    }
}

// Only the three files of a home are ever replaced together.
TEST(JournalTest, ReplaceTogetherRefusesTargetsOutsideTheHomesOwnFiles) {
    TempDir dir, outside;
    WriteText(outside / "victim", "victim");
    for (const fs::path& target : {outside / "victim", dir / "other.txt", dir / ".." / "x"}) {
        const std::vector<PlannedWrite> writes = {
            {target, [](const fs::path& p) { return WriteString(p, "new"); }, false}};
        EXPECT_FALSE(ReplaceTogether(dir.path(), writes).ok) << target;
    }
    EXPECT_EQ(ReadText(outside / "victim"), "victim");
    EXPECT_TRUE(Entries(dir.path()).empty());
}

// A huge file is not copied only to be thrown away or refused afterwards.
TEST(JournalTest, ReplaceTogetherChecksSizesBeforeCopying) {
    TempDir dir;
    {
        std::ofstream big(dir / "record.ini");
        big.seekp(static_cast<std::streamoff>(kMaxReadBytes) + 1);
        big.put('x');
    }
    const std::vector<PlannedWrite> keep = {
        {dir / "record.ini", [](const fs::path& p) { return WriteString(p, "new"); }, true}};
    const WriteResult r = ReplaceTogether(dir.path(), keep);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("too large"), std::string::npos) << r.error;
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"record.ini"});
    // Replaced whole, its old content does not matter.
    const std::vector<PlannedWrite> replace = {
        {dir / "record.ini", [](const fs::path& p) { return WriteString(p, "new"); }, false}};
    ASSERT_TRUE(ReplaceTogether(dir.path(), replace).ok);
    EXPECT_EQ(ReadText(dir / "record.ini"), "new");
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

// The home's safety where only a POSIX system can set the scene: links,
// FIFOs, sockets, another user's files and modes.
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>

#include "settings/HomeLock.h"
#include "support/TempDir.h"

namespace ornyx::settings {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::ReadText;
using test::TempDir;
using test::WriteText;

std::vector<std::string> Entries(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

WriteResult WriteString(const fs::path& p, const std::string& text) {
    return WriteFileAtomically(
        p, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::string Journal(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string text = "ornyx-mouse journal 2\n";
    for (const auto& [staged, target] : entries) text += staged + '\0' + target + '\0';
    return text + "end\n";
}

TEST(HomeLockTest, TakingTheLockClearsWhatKilledWritersLeftAndNothingElse) {
    TempDir dir;
    WriteText(dir / ".config.bin.ornyx-Ab12Cd", "x");
    WriteText(dir / ".str.ini.ornyx-Ab12Cd", "x");
    WriteText(dir / ".record.ini.ornyx-Ab12Cd", "x");
    WriteText(dir / "..config.bin.ornyx-Ab12Cd.ornyx-Ef34Gh", "x");
    // Names a person gives a copy, even where they look like ours.
    const std::vector<std::string> kept = {".config.bin.backup", ".str.ini.before",
                                           ".record.ini.ornyx-", ".stranger.ornyx-Ab12Cd",
                                           ".config.bin.Ab12Cd"};
    for (const std::string& name : kept) WriteText(dir / name, "the user's");
    // Ours by name, but another user's file or a link: not provably a dead writer's.
    WriteText(dir / ".config.bin.ornyx-Other1", "someone else's");
    ASSERT_EQ(::chown((dir / ".config.bin.ornyx-Other1").c_str(), 65534, 65534), 0);
    TempDir outside;
    WriteText(outside / "target", "kept");
    fs::create_symlink(outside / "target", dir / ".str.ini.ornyx-Link01");

    std::string error;
    HomeLock lock;
    ASSERT_TRUE(lock.Acquire(dir.path(), HomeLock::Mode::Shared, 1s, error));
    std::vector<std::string> expected = kept;
    expected.insert(expected.end(),
                    {kLockFileName, ".config.bin.ornyx-Other1", ".str.ini.ornyx-Link01"});
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Entries(dir.path()), expected);
    for (const std::string& name : kept) EXPECT_EQ(ReadText(dir / name), "the user's");
    EXPECT_EQ(ReadText(outside / "target"), "kept");
}

// Without a working lock, two writers could lose each other's changes: a writer
// refuses to start, a reader goes on and says why it had no lock.
TEST(HomeLockTest, ALockFileThatIsNotAFileStopsWritersAndIsReportedToReaders) {
    const auto makeLink = [](const fs::path& p) { fs::create_symlink("/dev/null", p); };
    const auto makeDanglingLink = [](const fs::path& p) { fs::create_symlink("missing", p); };
    const auto makeFolder = [](const fs::path& p) { fs::create_directory(p); };
    const auto makeFifo = [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); };
    const auto makeSocket = [](const fs::path& p) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        ASSERT_LT(p.string().size(), sizeof addr.sun_path);
        std::strcpy(addr.sun_path, p.c_str());
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        ::close(fd);
    };
    const std::vector<std::pair<const char*, std::function<void(const fs::path&)>>> kinds = {
        {"link", makeLink},     {"dangling link", makeDanglingLink},
        {"folder", makeFolder}, {"fifo", makeFifo},
        {"socket", makeSocket},
    };
    for (const auto& [what, make] : kinds) {
        TempDir dir;
        make(dir / kLockFileName);
        std::string error;
        HomeLock writer;
        EXPECT_FALSE(writer.Acquire(dir.path(), HomeLock::Mode::Exclusive, 50ms, error)) << what;
        EXPECT_NE(error.find(kLockFileName), std::string::npos) << what << ": " << error;
        EXPECT_NE(error.find("not a regular file"), std::string::npos) << what << ": " << error;
        HomeLock reader;
        error.clear();
        EXPECT_TRUE(reader.Acquire(dir.path(), HomeLock::Mode::Shared, 50ms, error)) << what;
        EXPECT_FALSE(reader.held()) << what;
        ASSERT_EQ(reader.notices().size(), 1u) << what;
        EXPECT_NE(reader.notices()[0].find("not a regular file"), std::string::npos)
            << reader.notices()[0];
    }
}

TEST(JournalTest, AJournalThatIsALinkOrAFolderIsSetAsideWithoutReadingThrough) {
    TempDir dir, outside;
    WriteText(outside / "victim", Journal({{".config.bin.ornyx-Stg001", "config.bin"}}));
    WriteText(dir / ".config.bin.ornyx-Stg001", "staged");
    WriteText(dir / "config.bin", "config");
    fs::create_symlink(outside / "victim", dir / kJournalFileName);
    std::string error;
    HomeLock lock;
    ASSERT_TRUE(lock.Acquire(dir.path(), HomeLock::Mode::Exclusive, 1s, error));
    EXPECT_EQ(ReadText(dir / "config.bin"), "config");
    EXPECT_TRUE(fs::is_symlink(dir / (std::string(kJournalFileName) + ".bad")));
    EXPECT_TRUE(fs::exists(outside / "victim"));
    EXPECT_EQ(lock.notices().size(), 1u);

    // A second bad one goes beside the first.
    lock.Release();
    fs::create_directory(dir / kJournalFileName);
    ASSERT_TRUE(lock.Acquire(dir.path(), HomeLock::Mode::Exclusive, 1s, error));
    EXPECT_TRUE(fs::is_directory(dir / (std::string(kJournalFileName) + ".bad.1")));
    EXPECT_FALSE(fs::exists(dir / kJournalFileName));
}

// The journal itself is written in place: a link at its name is replaced, not
// written through.
TEST(JournalTest, ReplaceTogetherNeverWritesThroughALinkAtTheJournalsName) {
    TempDir dir, outside;
    WriteText(outside / "victim", "victim");
    fs::create_symlink(outside / "victim", dir / kJournalFileName);
    const std::vector<PlannedWrite> writes = {
        {dir / "config.bin", [](const fs::path& p) { return WriteString(p, "new"); }, false}};
    ASSERT_TRUE(ReplaceTogether(dir.path(), writes).ok);
    EXPECT_EQ(ReadText(dir / "config.bin"), "new");
    EXPECT_EQ(ReadText(outside / "victim"), "victim");
}

// A config.bin that is a link keeps being one: the new content goes to the file
// it points to, while the staged copy waits in the home like the others.
TEST(JournalTest, ALinkedTargetIsWrittenThroughAndNothingIsStagedElsewhere) {
    TempDir dir, elsewhere;
    WriteText(elsewhere / "config.bin", "old");
    ::chmod((elsewhere / "config.bin").c_str(), 0600);
    fs::create_symlink(elsewhere / "config.bin", dir / "config.bin");
    WriteText(dir / "str.ini", "old labels");
    const std::vector<PlannedWrite> writes = {
        {dir / "config.bin", [](const fs::path& p) { return WriteString(p, "new"); }, false},
        {dir / "str.ini", [](const fs::path& p) { return WriteString(p, "new labels"); }, true},
    };
    ASSERT_TRUE(ReplaceTogether(dir.path(), writes).ok);
    EXPECT_TRUE(fs::is_symlink(dir / "config.bin"));
    EXPECT_EQ(ReadText(elsewhere / "config.bin"), "new");
    EXPECT_EQ(fs::status(elsewhere / "config.bin").permissions(), fs::perms(0600));
    EXPECT_EQ(ReadText(dir / "str.ini"), "new labels");
    EXPECT_EQ(Entries(elsewhere.path()), std::vector<std::string>{"config.bin"});
    EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"config.bin", "str.ini"}));
}

// A staged file that is a link is never renamed over a target: its content
// could be anything anywhere.
TEST(JournalTest, AJournalWhoseStagedFileIsALinkIsSetAside) {
    TempDir dir, outside;
    WriteText(outside / "victim", "victim");
    WriteText(dir / "str.ini", "labels");
    fs::create_symlink(outside / "victim", dir / ".str.ini.ornyx-Link01");
    const std::string journal = Journal({{".str.ini.ornyx-Link01", "str.ini"}});
    WriteText(dir / kJournalFileName, journal);
    std::string error;
    HomeLock lock;
    ASSERT_TRUE(lock.Acquire(dir.path(), HomeLock::Mode::Exclusive, 1s, error)) << error;
    EXPECT_EQ(ReadText(dir / "str.ini"), "labels");
    EXPECT_EQ(ReadText(outside / "victim"), "victim");
    EXPECT_TRUE(fs::is_symlink(dir / ".str.ini.ornyx-Link01"));
    EXPECT_EQ(ReadText(dir / (std::string(kJournalFileName) + ".bad")), journal);
}

}  // namespace
}  // namespace ornyx::settings

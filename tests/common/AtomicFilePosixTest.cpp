// What only a POSIX system has: FIFOs, symbolic links, modes and the umask,
// and flock as the live writer's mark.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "common/AtomicFile.h"
#include "support/TempDir.h"

namespace ornyx {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::TempDir;
using test::WriteText;

WriteResult Write(const fs::path& p, const std::string& text) {
    return WriteFileAtomically(
        p, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

mode_t ModeOf(const fs::path& p) {
    struct stat st {};
    EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
    return st.st_mode & 07777;
}

// Restores the umask even when an assertion ends the test early.
struct UmaskScope {
    explicit UmaskScope(mode_t mask) : old(::umask(mask)) {}
    ~UmaskScope() { ::umask(old); }
    mode_t old;
};

std::vector<std::string> Entries(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(AtomicFilePosixTest, NonRegularTargetsAreRefusedAndLeftAsTheyAre) {
    TempDir dir;
    const fs::path fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path folder = dir / "folder";
    fs::create_directory(folder);
    for (const fs::path& p : {fifo, folder}) {
        const WriteResult r = Write(p, "{}");
        EXPECT_FALSE(r.ok) << p;
        EXPECT_NE(r.error.find("not a regular file"), std::string::npos) << r.error;
    }
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(fs::is_directory(folder));
    // Nothing of ours is left beside them.
    EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"fifo", "folder"}));
}

TEST(AtomicFilePosixTest, SymlinksAreWrittenThroughAndStayLinks) {
    TempDir dir;
    fs::create_directory(dir / "real");
    WriteText(dir / "real" / "target.json", "old");
    ::chmod((dir / "real" / "target.json").c_str(), 0640);
    // A relative link, through a second link: each is resolved against its own folder.
    fs::create_symlink("real/target.json", dir / "hop");
    fs::create_symlink("hop", dir / "link");
    ASSERT_TRUE(Write(dir / "link", "new").ok);
    EXPECT_TRUE(fs::is_symlink(dir / "link"));
    EXPECT_TRUE(fs::is_symlink(dir / "hop"));
    EXPECT_EQ(ReadText(dir / "real" / "target.json"), "new");
    EXPECT_EQ(ModeOf(dir / "real" / "target.json"), 0640u);

    // A dangling link creates its target; a loop is refused.
    fs::create_symlink("made.txt", dir / "dangling");
    ASSERT_TRUE(Write(dir / "dangling", "x").ok);
    EXPECT_EQ(ReadText(dir / "made.txt"), "x");
    fs::create_symlink("loop2", dir / "loop1");
    fs::create_symlink("loop1", dir / "loop2");
    EXPECT_FALSE(Write(dir / "loop1", "x").ok);
}

TEST(AtomicFilePosixTest, NewFilesFollowTheUmaskAndOldOnesKeepTheirMode) {
    TempDir dir;
    {
        const UmaskScope scope(077);
        ASSERT_TRUE(Write(dir / "new", "a").ok);
    }
    EXPECT_EQ(ModeOf(dir / "new"), 0600u);
    {
        const UmaskScope scope(022);
        ASSERT_TRUE(Write(dir / "other", "a").ok);
        EXPECT_EQ(ModeOf(dir / "other"), 0644u);
        ::chmod((dir / "other").c_str(), 0604);
        ASSERT_TRUE(Write(dir / "other", "b").ok);
    }
    EXPECT_EQ(ModeOf(dir / "other"), 0604u);
}

TEST(AtomicFilePosixTest, StaleTemporariesGoButLiveOnesAndOthersStay) {
    TempDir dir;
    WriteText(dir / "config.bin", "old");
    WriteText(dir / ".config.bin.ornyx-Dead01", "killed writer");
    WriteText(dir / ".config.bin.ornyx-Dead02", "killed writer");
    WriteText(dir / ".config.bin.notours", "user file");
    WriteText(dir / ".str.ini.ornyx-Other1", "another name's");
    // A writer still at work holds a lock on its temporary file.
    WriteText(dir / ".config.bin.ornyx-Live01", "in progress");
    const int live = ::open((dir / ".config.bin.ornyx-Live01").c_str(), O_RDONLY);
    ASSERT_GE(live, 0);
    ASSERT_EQ(::flock(live, LOCK_EX), 0);

    ASSERT_TRUE(Write(dir / "config.bin", "new").ok);
    EXPECT_EQ(ReadText(dir / "config.bin"), "new");
    EXPECT_EQ(Entries(dir.path()),
              (std::vector<std::string>{".config.bin.notours", ".config.bin.ornyx-Live01",
                                        ".str.ini.ornyx-Other1", "config.bin"}));
    ::close(live);
    EXPECT_EQ(RemoveStaleTemporaries(dir.path(), "config.bin"), 1u);
    EXPECT_EQ(RemoveStaleTemporaries(dir.path(), "str.ini"), 1u);
}

TEST(AtomicFilePosixTest, CopyToTemporaryKeepsTheMode) {
    TempDir dir;
    WriteText(dir / "record.ini", "[a]\r\n");
    ::chmod((dir / "record.ini").c_str(), 0600);
    WriteResult failure;
    const auto copy = CopyToTemporary(dir / "record.ini", failure);
    ASSERT_TRUE(copy) << failure.error;
    EXPECT_EQ(ModeOf(*copy), 0600u);
}

}  // namespace
}  // namespace ornyx

// The atomic replace through the system's own calls, under conditions only
// Windows has: a reader holding the target open, UTF-16 paths.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "common/AtomicFile.h"
#include "support/TempDir.h"
#include "windows/LongPaths.h"

namespace ornyx {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::ReadText;
using test::TempDir;
using test::WriteText;

WriteResult Write(const fs::path& p, const std::string& text) {
    return WriteFileAtomically(
        p, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::vector<std::string> Entries(const fs::path& dir) {
    return test::EntryNames(dir);
}

// Open as a reader that does not let others delete or rename the file.
HANDLE OpenWithoutSharingDelete(const fs::path& p) {
    return ::CreateFileW(p.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(AtomicFileWin32Test, AReaderThatLetsGoSoonDelaysTheReplaceButDoesNotFailIt) {
    TempDir dir;
    WriteText(dir / "config.bin", "old");
    const HANDLE reader = OpenWithoutSharingDelete(dir / "config.bin");
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    std::thread release([reader] {
        std::this_thread::sleep_for(200ms);
        ::CloseHandle(reader);
    });
    const WriteResult r = Write(dir / "config.bin", "new");
    release.join();
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_EQ(ReadText(dir / "config.bin"), "new");
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"config.bin"});
}

TEST(AtomicFileWin32Test, AReaderThatNeverLetsGoFailsTheReplaceAndChangesNothing) {
    TempDir dir;
    WriteText(dir / "config.bin", "old");
    const HANDLE reader = OpenWithoutSharingDelete(dir / "config.bin");
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    const WriteResult r = Write(dir / "config.bin", "new");
    ::CloseHandle(reader);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("cannot replace"), std::string::npos) << r.error;
    EXPECT_EQ(ReadText(dir / "config.bin"), "old");
    // The temporary file went with the failure.
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"config.bin"});
}

TEST(AtomicFileWin32Test, TemporaryFilesAreNamedAfterTheirTarget) {
    TempDir dir;
    WriteText(dir / "record.ini", "[a]\r\n");
    WriteResult failure;
    const auto copy = CopyToTemporary(dir / "record.ini", failure);
    ASSERT_TRUE(copy) << failure.error;
    const std::string name = copy->filename().string();
    EXPECT_EQ(name.rfind(".record.ini.ornyx-", 0), 0u) << name;
    EXPECT_EQ(name.size(), std::string(".record.ini.ornyx-").size() + 6) << name;
    EXPECT_EQ(ReadText(*copy), "[a]\r\n");
}

// Every path is UTF-16 down to the system: letters of any script.
TEST(AtomicFileWin32Test, WidePathsAreWrittenAndReadBack) {
    TempDir dir;
    const fs::path wide = dir.path() / fs::path(u8"Папка 文件夹");
    fs::create_directories(wide);
    ASSERT_TRUE(Write(wide / "config.bin", "wide").ok);
    ASSERT_TRUE(Write(wide / "config.bin", "wider").ok);
    EXPECT_EQ(ReadText(wide / "config.bin"), "wider");
    EXPECT_EQ(Entries(wide), std::vector<std::string>{"config.bin"});
}

// A hidden file stays hidden with its new content; a read-only one is left
// as it is and the write fails saying so, never a success that wrote nothing.
TEST(AtomicFileWin32Test, AHiddenFileStaysHiddenAndAReadOnlyOneFailsTheWriteLoudly) {
    TempDir dir;
    WriteText(dir / "str.ini", "old");
    ASSERT_TRUE(::SetFileAttributesW((dir / "str.ini").c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(Write(dir / "str.ini", "new").ok);
    EXPECT_EQ(ReadText(dir / "str.ini"), "new");
    EXPECT_TRUE(::GetFileAttributesW((dir / "str.ini").c_str()) & FILE_ATTRIBUTE_HIDDEN);

    WriteText(dir / "config.bin", "old");
    ASSERT_TRUE(::SetFileAttributesW((dir / "config.bin").c_str(), FILE_ATTRIBUTE_READONLY));
    const WriteResult r = Write(dir / "config.bin", "new");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("read-only"), std::string::npos) << r.error;
    EXPECT_EQ(r.errorCode, EACCES);
    EXPECT_EQ(ReadText(dir / "config.bin"), "old");
    EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"config.bin", "str.ini"}));
    ::SetFileAttributesW((dir / "config.bin").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A temporary file another handle locks over its whole range is a live
// writer's; once that handle is closed it is a killed writer's, and goes.
TEST(AtomicFileWin32Test, AStaleTemporaryIsKeptWhileLockedAndRemovedOnceLetGo) {
    TempDir dir;
    const fs::path temporary = dir / ".config.bin.ornyx-Ab12Cd";
    WriteText(temporary, "partial");
    const HANDLE holder = ::CreateFileW(temporary.c_str(), GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    OVERLAPPED at{};
    ASSERT_TRUE(::LockFileEx(holder, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                             MAXDWORD, MAXDWORD, &at));
    EXPECT_EQ(RemoveStaleTemporaries(dir.path(), "config.bin"), 0u);
    EXPECT_TRUE(fs::exists(temporary));
    ::CloseHandle(holder);
    EXPECT_EQ(RemoveStaleTemporaries(dir.path(), "config.bin"), 1u);
    EXPECT_FALSE(fs::exists(temporary));
    EXPECT_EQ(RemoveStaleTemporaries(dir.path(), "config.bin"), 0u);
}

// A folder path longer than MAX_PATH, as given and in its \\?\ form: files
// are written there, and the scan for stale temporaries looks there and
// nowhere else (the working folder holds a file of the same shape).
TEST(AtomicFileWin32Test, FoldersPastMaxPathAreWrittenAndScannedThemselves) {
    TempDir dir;
    fs::path deep = dir.path();
    for (const char letter : {'a', 'b', 'c', 'd'}) deep /= std::string(70, letter);
    ASSERT_GT(deep.native().size(), 300u);
    fs::create_directories(deep);
    const fs::path cwd = fs::current_path();
    fs::current_path(dir.path());
    WriteText(dir / ".config.bin.ornyx-Cwd001", "not the home's");
    for (const fs::path& home : {deep, fs::path(L"\\\\?\\" + deep.native())}) {
        SCOPED_TRACE(home.string());
        ASSERT_TRUE(Write(home / "config.bin", "long").ok);
        ASSERT_TRUE(Write(home / "config.bin", "longer").ok);
        EXPECT_EQ(ReadText(deep / "config.bin"), "longer");
        WriteText(deep / ".config.bin.ornyx-Stale1", "partial");
        EXPECT_EQ(RemoveStaleTemporaries(home, "config.bin"), 1u);
        EXPECT_EQ(Entries(deep), std::vector<std::string>{"config.bin"});
    }
    EXPECT_TRUE(fs::exists(dir / ".config.bin.ornyx-Cwd001"));
    fs::current_path(cwd);
    test::RemoveTree(dir.path() / std::string(70, 'a'));
}

}  // namespace
}  // namespace ornyx

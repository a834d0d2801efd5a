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
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
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

}  // namespace
}  // namespace ornyx

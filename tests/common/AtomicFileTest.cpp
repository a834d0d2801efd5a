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

std::vector<std::string> Entries(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(AtomicFileTest, AFolderAtTheTargetIsRefusedAndLeftAsItIs) {
    TempDir dir;
    const fs::path folder = dir / "folder";
    fs::create_directory(folder);
    const WriteResult r = Write(folder, "{}");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("not a regular file"), std::string::npos) << r.error;
    EXPECT_TRUE(fs::is_directory(folder));
    // Nothing of ours is left beside it.
    EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"folder"}));
}

TEST(AtomicFileTest, ReplacingGivesTheNewContentAndLeavesNothingBeside) {
    TempDir dir;
    ASSERT_TRUE(Write(dir / "config.bin", "old").ok);
    ASSERT_TRUE(Write(dir / "config.bin", "new").ok);
    EXPECT_EQ(ReadText(dir / "config.bin"), "new");
    EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"config.bin"}));
    // An empty file is a content too.
    ASSERT_TRUE(Write(dir / "config.bin", "").ok);
    EXPECT_EQ(ReadText(dir / "config.bin"), "");
}

TEST(AtomicFileTest, TemporaryNamesAreRecognisedExactly) {
    EXPECT_TRUE(IsTemporaryFor(".config.bin.ornyx-aZ09xy", "config.bin"));
    EXPECT_FALSE(IsTemporaryFor(".config.bin.ornyx-aZ09x", "config.bin"));
    EXPECT_FALSE(IsTemporaryFor(".config.bin.ornyx-aZ09xyz", "config.bin"));
    EXPECT_FALSE(IsTemporaryFor(".config.bin.ornyx-aZ-9xy", "config.bin"));
    EXPECT_FALSE(IsTemporaryFor(".config.bin.ornyx-aZ\xe9xy", "config.bin"));
    EXPECT_FALSE(IsTemporaryFor("config.bin.ornyx-aZ09xy", "config.bin"));
    EXPECT_FALSE(IsTemporaryFor(".str.ini.ornyx-aZ09xy", "config.bin"));
    // A person's copies, however much they look like ours.
    EXPECT_FALSE(IsTemporaryFor(".config.bin.aZ09xy", "config.bin"));
    EXPECT_FALSE(IsTemporaryFor(".config.bin.backup", "config.bin"));
    EXPECT_FALSE(IsTemporaryFor(".config.bin.ornyx.aZ09xy", "config.bin"));
    EXPECT_TRUE(IsTemporaryFor("..config.bin.ornyx-aZ09xy.ornyx-bC12de", "config.bin"));
    EXPECT_FALSE(IsTemporaryFor("..config.bin.ornyx-aZ09xy.ornyx-bC12de", "config.bin", false));
    EXPECT_FALSE(IsTemporaryFor("..config.bin.ornyx-aZ09xy", "config.bin"));
}

TEST(AtomicFileTest, CopyToTemporaryKeepsContentOrReservesAName) {
    TempDir dir;
    WriteText(dir / "record.ini", "[a]\r\n");
    WriteResult failure;
    const auto copy = CopyToTemporary(dir / "record.ini", failure);
    ASSERT_TRUE(copy) << failure.error;
    EXPECT_TRUE(IsTemporaryFor(copy->filename().string(), "record.ini"));
    EXPECT_EQ(ReadText(*copy), "[a]\r\n");
    const auto reserved = CopyToTemporary(dir / "missing.ini", failure);
    ASSERT_TRUE(reserved);
    EXPECT_FALSE(fs::exists(*reserved));
}

}  // namespace
}  // namespace ornyx

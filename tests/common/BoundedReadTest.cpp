// Reading a file costs at most its expected size: the size is checked first,
// so a huge (even sparse) file is refused without being read.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "common/AtomicFile.h"
#include "i18n/TextSettings.h"
#include "macros/MacroStore.h"
#include "support/TempDir.h"

namespace ornyx {
namespace {

namespace fs = std::filesystem;

void Sparse(const fs::path& file, std::uintmax_t size) {
    test::WriteText(file, "[Skins]\r\nLan=EN\r\n");
    fs::resize_file(file, size);
}

TEST(BoundedReadTest, FilesAboveTheLimitAreRefusedWithAMessage) {
    test::TempDir dir;
    const fs::path file = dir / "record.ini";
    Sparse(file, kMaxReadBytes + 1);
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(ReadFileBounded(file, bytes), ReadStatus::TooLarge);
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(ReadStatusText(file, ReadStatus::TooLarge),
              file.string() + " is larger than 16 MiB, too large to be read");
    // Stores built on it see an unreadable file: nothing listed, nothing replaced.
    EXPECT_FALSE(macros::ReadAllMacros(file).has_value());
    EXPECT_FALSE(macros::ReplaceAllMacros(file, {}).ok);
    EXPECT_EQ(fs::file_size(file), kMaxReadBytes + 1);

    Sparse(file, 100);
    EXPECT_EQ(ReadFileBounded(file, bytes, 99), ReadStatus::TooLarge);
    EXPECT_EQ(ReadFileBounded(file, bytes, 100), ReadStatus::Ok);
    EXPECT_EQ(bytes.size(), 100u);
    EXPECT_EQ(ReadFileBounded(dir.path(), bytes), ReadStatus::NotRegular);
}

TEST(BoundedReadTest, HugeTextSettingsGiveDefaultsAndLongLinesStillRead) {
    test::TempDir dir;
    const fs::path file = dir / "str.ini";
    Sparse(file, kMaxReadBytes * 4);
    EXPECT_EQ(i18n::LoadTextSettings(file).languageCode, "");
    // A 10 MB line is under the limit: read once, the other keys are found.
    std::string text =
        "[Skins]\r\nLan=TUR\r\nJunk=" + std::string(10'000'000, 'x') + "\r\nRColor=7\r\n";
    test::WriteText(file, text);
    const i18n::TextSettings settings = i18n::LoadTextSettings(file);
    EXPECT_EQ(settings.languageCode, "TUR");
    EXPECT_EQ(settings.red, 7);
}

}  // namespace
}  // namespace ornyx

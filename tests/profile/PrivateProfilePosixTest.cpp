// A folder made read-only through its mode: a Windows folder's read-only
// attribute does not stop new files in it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "profile/PrivateProfile.h"
#include "support/TempDir.h"

namespace ornyx::profile {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::TempDir;
using test::WriteText;

TEST(PrivateProfileFailure, ReadOnlyFolderLeavesOldFileIntact) {
    TempDir dir;
    const fs::path folder = dir / "ro";
    fs::create_directory(folder);
    const fs::path f = folder / "str.ini";
    WriteText(f, "[S]\r\nK=old\r\n");
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    {
        std::ofstream probe(folder / "probe");
        if (probe) {
            fs::permissions(folder, fs::perms::owner_all);
            GTEST_SKIP() << "permission bits do not stop this user (root)";
        }
    }
    const WriteResult r = WritePrivateProfileString(f, "S", "K", "new");
    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
    EXPECT_EQ(ReadText(f), "[S]\r\nK=old\r\n");
}

}  // namespace
}  // namespace ornyx::profile

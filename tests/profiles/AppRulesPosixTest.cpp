// The rules file as something other than a plain file: never waited on,
// never replaced when it cannot be read, and a link kept as the user made it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "profiles/AppRules.h"
#include "support/TempDir.h"

namespace ornyx::profiles {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::TempDir;
using test::WriteText;

TEST(AppRulesLinks, AFifoOrALoopIsReportedAndLeftAsItIs) {
    TempDir home;
    const fs::path file = home / kAppRulesFileName;
    AppRules rules;
    BindApplication(rules, "firefox", "Browsing");
    std::string error;

    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    AppRules read = ReadAppRules(home.path());
    EXPECT_FALSE(read.readable);
    ASSERT_EQ(read.problems.size(), 1u);
    EXPECT_EQ(read.problems[0].line, 0u);
    EXPECT_FALSE(WriteAppRules(home.path(), rules, error));
    EXPECT_TRUE(fs::is_fifo(file));
    fs::remove(file);

    fs::create_symlink(kAppRulesFileName, file);
    read = ReadAppRules(home.path());
    EXPECT_FALSE(read.readable);
    EXPECT_FALSE(WriteAppRules(home.path(), rules, error));
    EXPECT_TRUE(fs::is_symlink(file));
}

TEST(AppRulesLinks, ALinkToTheUsersOwnFileIsWrittenThrough) {
    // Kept with the user's other settings, e.g. in a repository of them.
    TempDir home;
    fs::create_directory(home / "dotfiles");
    WriteText(home / "dotfiles" / "rules", "# shared\nsteam = Shooter\n");
    fs::create_symlink("dotfiles/rules", home / kAppRulesFileName);
    AppRules rules = ReadAppRules(home.path());
    ASSERT_EQ(rules.rules.size(), 1u);
    BindApplication(rules, "firefox", "Browsing");
    std::string error;
    ASSERT_TRUE(WriteAppRules(home.path(), rules, error)) << error;
    EXPECT_TRUE(fs::is_symlink(home / kAppRulesFileName));
    EXPECT_EQ(ReadText(home / "dotfiles" / "rules"),
              "# shared\nsteam = Shooter\nfirefox = Browsing\n");
}

}  // namespace
}  // namespace ornyx::profiles

// `ornyxctl profile` on the simulated mouse: what a switch sends and leaves in
// the files, and what it refuses.
#include "cli/NamedProfileFixture.h"

namespace ornyx::test {
namespace {

namespace fs = std::filesystem;

TEST_F(NamedProfileTest, UseGivesTheSavedProfilesApplyAndDocument) {
    Change(500, "Tir");
    const std::string documentA = Export();
    ASSERT_EQ(Run("--simulate --trace apply-a apply").exitCode, 0);
    Result r = Run("profile save A");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    Change(1000, "Büro 左键");
    ASSERT_EQ(Run("profile save B").exitCode, 0);
    ASSERT_NE(Export(), documentA);

    r = Run("--simulate --trace use-a profile use a");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("switched to profile \"A\""), std::string::npos) << r.out;
    EXPECT_EQ(Lines(dir / "use-a"), Lines(dir / "apply-a"));
    EXPECT_GT(Lines(dir / "use-a").size(), 10u);
    EXPECT_TRUE(Export() == documentA);
    EXPECT_EQ(Active()["name"], "A");
    EXPECT_EQ(Active()["sent"], true);

    // Already there and unchanged: not a byte is sent.
    r = Run("--simulate --trace again profile use A");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("nothing was sent"), std::string::npos) << r.out;
    EXPECT_TRUE(Lines(dir / "again").empty());

    r = Run("profile list");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "* A\n  B\n");
    EXPECT_EQ(Run("profile list --names").out, "A\nB\n");
}

TEST_F(NamedProfileTest, AChangeAfterTheSwitchShowsAsModified) {
    ASSERT_EQ(Run("profile save Office").exitCode, 0);
    Result r = Run("profile list --json");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    nlohmann::json list = nlohmann::json::parse(r.out);
    EXPECT_EQ(list["active"], "Office");
    EXPECT_EQ(list["modified"], false);
    Change(250, "Changed");
    list = nlohmann::json::parse(Run("profile list --json").out);
    EXPECT_EQ(list["modified"], true);
    EXPECT_EQ(Run("profile list").out, "* Office (modified)\n");
    // A modified active profile is switched to again, and sent.
    r = Run("--simulate --trace t profile use office");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_FALSE(Lines(dir / "t").empty());
    EXPECT_EQ(nlohmann::json::parse(Run("profile list --json").out)["modified"], false);
}

TEST_F(NamedProfileTest, UnusableProfilesAreListedAndChangeNothing) {
    ASSERT_EQ(Run("profile save Good").exitCode, 0);
    Change(250, "Other");
    const auto before = HomeFiles();
    fs::create_directories(home / "profiles");
    WriteText(home / "profiles" / "broken.json", "{\"format\": [");
    nlohmann::json newer = nlohmann::json::parse(ReadText(home / "profiles" / "good.json"));
    newer["version"] = 2;
    newer["name"] = "Newer";
    WriteText(home / "profiles" / "newer.json", newer.dump());

    Result r = Run("profile list");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("broken.json: unusable: "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Newer: unusable: version"), std::string::npos) << r.out;
    for (const std::string& name :
         std::vector<std::string>{"broken", "Newer", "missing", "'a\nb'", "''"}) {
        r = Run("--simulate --trace t profile use " + name);
        EXPECT_EQ(r.exitCode, 1) << name << ": " << r.err;
        EXPECT_NE(r.err.find("nothing was changed"), std::string::npos) << r.err;
        EXPECT_EQ(HomeFiles(), before) << name;
        EXPECT_TRUE(Lines(dir / "t").empty()) << name;
    }
}

TEST_F(NamedProfileTest, MouseGoneMidSwitchLeavesTheNewFilesForTheNextApply) {
    ASSERT_EQ(Run("profile save A").exitCode, 0);
    const std::string documentA = Export();
    Change(250, "Other");
    ASSERT_EQ(Run("profile save B").exitCode, 0);
    Result r = Run("--simulate=vanish=10 profile use A");
    EXPECT_EQ(r.exitCode, 3) << r.err;
    EXPECT_NE(r.err.find("the mouse stopped answering at"), std::string::npos) << r.err;
    EXPECT_TRUE(Export() == documentA);
    EXPECT_EQ(Active()["name"], "A");
    EXPECT_EQ(Active()["sent"], false);
    // Not yet sent: the same switch again sends it.
    r = Run("--simulate --trace t profile use A");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_FALSE(Lines(dir / "t").empty());
    EXPECT_EQ(Active()["sent"], true);
}

TEST_F(NamedProfileTest, RenameAndDeleteKeepTheActiveNoteTrue) {
    ASSERT_EQ(Run("profile save A").exitCode, 0);
    ASSERT_EQ(Run("profile save B").exitCode, 0);  // B is active now
    EXPECT_EQ(Run("profile save b").exitCode, 1);
    EXPECT_EQ(Run("profile save b --force").exitCode, 0);
    Result r = Run("profile rename b Shooter");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Active()["name"], "Shooter");
    r = Run("profile delete shooter");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("--force"), std::string::npos) << r.err;
    EXPECT_EQ(Run("profile delete A").exitCode, 0);
    EXPECT_EQ(Run("profile delete Shooter --force").exitCode, 0);
    EXPECT_FALSE(fs::exists(home / "active-profile"));
    EXPECT_EQ(Run("profile list").out.find("no profiles"), 0u);
    EXPECT_EQ(Run("profile show A").exitCode, 1);
}

TEST_F(NamedProfileTest, AProfilesFolderInTheWayIsReported) {
    WriteText(home / "profiles", "not a folder");
    for (const std::string& command :
         std::vector<std::string>{"profile list", "profile save A", "profile use A"}) {
        const Result r = Run(command);
        EXPECT_EQ(r.exitCode, 1) << command;
        EXPECT_NE(r.err.find("profiles"), std::string::npos) << command << ": " << r.err;
    }
    EXPECT_EQ(ReadText(home / "profiles"), "not a folder");
}

}  // namespace
}  // namespace ornyx::test

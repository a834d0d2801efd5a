// `ornyxctl profile` on the simulated mouse: what a switch sends and leaves in
// the files, and what it refuses.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>
#include <vector>

#include "cli/CliRun.h"
#include "support/TempDir.h"

namespace ornyx::test {
namespace {

namespace fs = std::filesystem;

struct Result {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class NamedProfileTest : public ::testing::Test {
protected:
    TempDir dir;
    fs::path home = dir / "home";

    void SetUp() override {
        fs::create_directories(home);
        ASSERT_EQ(Run("init").exitCode, 0);
        // Every apply sets the first-run flag: set once, every document keeps it.
        ASSERT_EQ(Run("--simulate apply").exitCode, 0);
    }

    Result Run(const std::string& args) {
        const auto out = dir / "stdout.txt";
        const auto err = dir / "stderr.txt";
        const std::string command = "cd '" + dir.path().string() + "' && '" + ORNYXCTL_PATH +
                                    "' --home home " + args + " >'" + out.string() + "' 2>'" +
                                    err.string() + "' </dev/null";
        const int status = std::system(command.c_str());
        Result r;
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = ReadText(out);
        r.err = ReadText(err);
        return r;
    }

    std::string Export() {
        const Result r = Run("export -");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.out;
    }

    // A different report rate and first label, through the import.
    void Change(int hz, const std::string& label) {
        nlohmann::ordered_json doc = nlohmann::ordered_json::parse(Export());
        doc["report_rate_hz"] = hz;
        doc["buttons"]["A"][0]["label"] = label;
        WriteText(dir / "changed.json", doc.dump(2));
        const Result r = Run("import changed.json");
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }

    std::vector<std::string> Lines(const fs::path& file) {
        std::vector<std::string> lines;
        std::istringstream in(ReadText(file));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    std::map<std::string, std::string> HomeFiles() {
        std::map<std::string, std::string> files;
        for (const char* name : {"config.bin", "str.ini", "record.ini", "active-profile"}) {
            files[name] = fs::exists(home / name) ? ReadText(home / name) : "<none>";
        }
        return files;
    }

    nlohmann::json Active() { return nlohmann::json::parse(ReadText(home / "active-profile")); }
};

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

// The completion's own part: bash-completion's helpers are stood in for, so
// that what is checked is which names it offers and how they are quoted.
TEST_F(NamedProfileTest, CompletionOffersProfileNamesQuotedForTheShell) {
    for (const char* name : {"Office work", "Shooter", "Stratégie", "Sniper"}) {
        ASSERT_EQ(Run(std::string("profile save '") + name + "'").exitCode, 0);
    }
    WriteText(home / "profiles" / "broken.json", "{");
    const auto complete = [&](const std::string& words) {
        const std::string bin = fs::path(ORNYXCTL_PATH).parent_path().string();
        WriteText(dir / "complete.sh",
                  "_init_completion() { words=(\"${COMP_WORDS[@]}\"); cword=$COMP_CWORD;\n"
                  "  cur=${words[cword]}; prev=${words[cword - 1]}; }\n"
                  "_filedir() { :; }\ncomplete() { :; }\n"
                  "source '" ORNYX_COMPLETION_PATH
                  "'\n"
                  "PATH='" +
                      bin +
                      "':$PATH\n"
                      "COMP_WORDS=(" +
                      words +
                      ")\nCOMP_CWORD=$((${#COMP_WORDS[@]} - 1))\n"
                      "_ornyxctl\nprintf '%s\\n' \"${COMPREPLY[@]}\"\n");
        const std::string out = (dir / "complete.txt").string();
        const std::string command =
            "bash '" + (dir / "complete.sh").string() + "' >'" + out + "' 2>&1 </dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return ReadText(dir / "complete.txt");
    };
    const std::string homeArg = "'" + home.string() + "'";
    EXPECT_EQ(complete("ornyxctl --home " + homeArg + " profile use ''"),
              "Office\\ work\nShooter\nSniper\nStratégie\n");
    EXPECT_EQ(complete("ornyxctl --home " + homeArg + " profile use S"),
              "Shooter\nSniper\nStratégie\n");
    EXPECT_EQ(complete("ornyxctl --home " + homeArg + " profile rename Of"), "Office\\ work\n");
    EXPECT_EQ(complete("ornyxctl profile ''"), "list\nshow\nsave\nuse\nrename\ndelete\n");
    EXPECT_NE(complete("ornyxctl ''").find("\nprofile\n"), std::string::npos);
}

// Switches run side by side and killed at random moments: the files always
// hold exactly the profile the note names, never a mix.
TEST_F(NamedProfileTest, ConcurrentAndKilledSwitchesLeaveOneWholeProfile) {
    std::map<std::string, std::string> documents;
    for (const auto& [name, hz] : {std::pair{"A", 250}, {"B", 1000}}) {
        Change(hz, std::string("Label ") + name);
        ASSERT_EQ(Run(std::string("profile save ") + name).exitCode, 0);
        documents[name] = Export();
    }
    for (int round = 0; round < 12; ++round) {
        Child a(home, {"--simulate", "profile", "use", "A"});
        Child b(home, {"--simulate", "profile", "use", "B"});
        if (round % 2 == 1) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5 + round * 7));
            a.Kill();
            b.Kill();
        }
        const int ea = a.Wait();
        const int eb = b.Wait();
        if (round % 2 == 0) {
            EXPECT_EQ(ea, 0) << round;
            EXPECT_EQ(eb, 0) << round;
        }
        // The next command finishes or drops what a killed one left.
        const Result r = Run("profile list --json");
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const std::string active = nlohmann::json::parse(r.out)["active"];
        ASSERT_TRUE(documents.count(active)) << active;
        EXPECT_TRUE(Export() == documents[active]) << "round " << round;
        EXPECT_EQ(nlohmann::json::parse(r.out)["modified"], false) << round;
    }
}

}  // namespace
}  // namespace ornyx::test

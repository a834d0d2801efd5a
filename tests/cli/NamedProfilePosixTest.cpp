// `ornyxctl profile` where a POSIX system is needed: bash runs the completion,
// and switches are killed at random moments (too slow to repeat under Wine).
#include <thread>

#include "cli/CliRun.h"
#include "cli/NamedProfileFixture.h"

namespace ornyx::test {
namespace {

namespace fs = std::filesystem;

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
    EXPECT_EQ(complete("ornyxctl profile ''"),
              "list\nshow\nsave\nuse\nrename\ndelete\nbind\nunbind\ndefault\nrules\nauto\n");
    // bind's second word is a profile; its first, an application, is not one.
    EXPECT_EQ(complete("ornyxctl --home " + homeArg + " profile bind steam_app_730 Sh"),
              "Shooter\n");
    EXPECT_EQ(complete("ornyxctl --home " + homeArg + " profile bind Sh"), "\n");
    EXPECT_EQ(complete("ornyxctl --home " + homeArg + " profile default Sn"), "Sniper\n");
    EXPECT_EQ(complete("ornyxctl profile auto ''"), "on\noff\n");
    EXPECT_EQ(complete("ornyxctl profile default -"), "--none\n");
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

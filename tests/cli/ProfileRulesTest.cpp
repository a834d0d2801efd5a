// `ornyxctl profile bind|unbind|default|rules|auto`: the rules by application
// as the user sets them, what they refuse, and how they follow renames and
// deletes of the profiles they name.
#include "cli/NamedProfileFixture.h"

namespace ornyx::test {
namespace {

namespace fs = std::filesystem;

class ProfileRulesTest : public NamedProfileTest {
protected:
    void SetUp() override {
        NamedProfileTest::SetUp();
        for (const char* name : {"Office", "Browsing", "Shooter"}) {
            ASSERT_EQ(Run(std::string("profile save ") + name).exitCode, 0);
        }
    }
    fs::path RulesFile() const { return home / "app-rules.conf"; }
    nlohmann::json RulesJson() {
        const Result r = Run("profile rules --json");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.exitCode == 0 ? nlohmann::json::parse(r.out) : nlohmann::json{};
    }
};

TEST_F(ProfileRulesTest, BindDefaultAutoAndUnbindShowInRules) {
    Result r = Run("profile rules");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("no rules in"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(RulesFile()));

    // The profile is written as it is stored, whatever case was typed.
    r = Run("profile bind org.mozilla.firefox browsing");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "bound \"org.mozilla.firefox\" to profile \"Browsing\"\n");
    ASSERT_EQ(Run("profile bind steam_app_730 Shooter").exitCode, 0);
    r = Run("profile bind Steam_App_730 Office");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("(was \"Shooter\")"), std::string::npos) << r.out;
    ASSERT_EQ(Run("profile default office").exitCode, 0);
    r = Run("profile auto off");
    ASSERT_EQ(r.exitCode, 0) << r.err;

    r = Run("profile rules");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "switching by application: off\n"
              "default: Office\n"
              "org.mozilla.firefox = Browsing\n"
              "Steam_App_730 = Office\n");
    nlohmann::json doc = RulesJson();
    EXPECT_EQ(doc["automatic"], false);
    EXPECT_EQ(doc["default"]["profile"], "Office");
    ASSERT_EQ(doc["rules"].size(), 2u);
    EXPECT_EQ(doc["rules"][1]["application"], "Steam_App_730");
    EXPECT_EQ(doc["rules"][1]["status"], "ok");
    EXPECT_TRUE(doc["problems"].empty());

    ASSERT_EQ(Run("profile auto on").exitCode, 0);
    r = Run("profile unbind STEAM_APP_730");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("(profile \"Office\")"), std::string::npos) << r.out;
    r = Run("profile unbind steam_app_730");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("there is no rule for \"steam_app_730\""), std::string::npos) << r.err;
    ASSERT_EQ(Run("profile default --none").exitCode, 0);
    doc = RulesJson();
    EXPECT_EQ(doc["automatic"], true);
    EXPECT_TRUE(doc["default"].is_null());
    EXPECT_EQ(doc["rules"].size(), 1u);

    // Usage errors: exit code 2, nothing written.
    const std::string before = ReadText(RulesFile());
    for (const char* args : {"profile auto maybe", "profile default",
                             "profile default Office --none", "profile bind firefox"}) {
        EXPECT_EQ(Run(args).exitCode, 2) << args;
    }
    EXPECT_EQ(ReadText(RulesFile()), before);
}

TEST_F(ProfileRulesTest, BindRefusesWhatCannotBeARuleAndChangesNothing) {
    ASSERT_EQ(Run("profile bind firefox Office").exitCode, 0);
    const std::string before = ReadText(RulesFile());
    const std::string longId(10'000, 'x');
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"profile bind steam Missing", "there is no profile \"Missing\""},
        {"profile default Missing", "there is no profile \"Missing\""},
        {"profile bind '\"firefox\"' Office", "has a quote"},
        {"profile bind a=b Office", "has \"=\""},
        {"profile bind 'a\ndefault = Shooter' Office",
         "\"a\\ndefault = Shooter\" has a line break"},
        {"profile bind " + longId + " Office", "is longer than 255 bytes"},
        {"profile bind default Office", "default, automatic"},
        {"profile bind '' Office", "is empty"},
        {"profile bind '#x' Office", "starts with \"#\""},
        {"profile bind steam 'two\nlines'", "has a line break"},
    };
    for (const auto& [args, why] : refused) {
        const Result r = Run(args);
        EXPECT_EQ(r.exitCode, 1) << args.substr(0, 60);
        EXPECT_NE(r.err.find(why), std::string::npos) << r.err.substr(0, 300);
        // One line of message, not the 10,000 characters.
        EXPECT_LT(r.err.size(), 300u) << args.substr(0, 60);
        EXPECT_EQ(ReadText(RulesFile()), before) << args.substr(0, 60);
    }
}

TEST_F(ProfileRulesTest, RulesFollowARenameAndOutliveADelete) {
    WriteText(RulesFile(),
              "# mine\n"
              "default = shooter\n"
              "firefox = Shooter\n"
              "steam = Office\n"
              "kate = SHOOTER\n");
    Result r = Run("profile rename Shooter Sniper");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("the 3 rules naming it"), std::string::npos) << r.out;
    EXPECT_EQ(ReadText(RulesFile()),
              "# mine\n"
              "default = Sniper\n"
              "firefox = Sniper\n"
              "steam = Office\n"
              "kate = Sniper\n");

    r = Run("profile delete --force Sniper");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("the rules of firefox, kate and the default still name \"Sniper\""),
              std::string::npos)
        << r.err;
    EXPECT_NE(ReadText(RulesFile()).find("kate = Sniper"), std::string::npos);
    r = Run("profile rules");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("default: Sniper (no such profile)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("firefox = Sniper (no such profile)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("steam = Office\n"), std::string::npos) << r.out;
    const nlohmann::json doc = RulesJson();
    EXPECT_EQ(doc["default"]["status"], "missing");
    EXPECT_EQ(doc["rules"][1]["status"], "ok");
    EXPECT_EQ(doc["rules"][2]["status"], "missing");

    // Saved again, the rules work again.
    ASSERT_EQ(Run("profile save Sniper").exitCode, 0);
    EXPECT_EQ(RulesJson()["rules"][0]["status"], "ok");
}

TEST_F(ProfileRulesTest, AHandEditedFileWithBadLinesIsReportedAndKept) {
    const std::string bad = std::string("garbage\n") +     // 2
                            "\"quoted\" = Office\n" +      // 3
                            "bad\xFF\xFE = Office\n" +     // 4
                            std::string(1'000'000, 'y') +  // 5
                            "\nfirefox = Office\n" +       // 6, overridden by 7
                            "firefox = Browsing\n" +       // 7
                            "automatic = sometimes\n";     // 8
    WriteText(RulesFile(), "# top\n" + bad);
    Result r = Run("profile rules");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char* line : {"line 2 ", "line 3 ", "line 4 ", "line 5 ", "line 6 ", "line 8 "}) {
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out.substr(0, 2000);
    }
    EXPECT_NE(r.out.find("firefox = Browsing"), std::string::npos);
    EXPECT_LT(r.out.size(), 4000u);
    nlohmann::json doc = RulesJson();
    EXPECT_EQ(doc["problems"].size(), 6u);
    EXPECT_EQ(doc["rules"][0]["line"], 7);

    // A change keeps every line it did not change, byte for byte.
    r = Run("profile bind steam Shooter");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(ReadText(RulesFile()) == "# top\n" + bad + "steam = Shooter\n");
}

TEST_F(ProfileRulesTest, ARulesFileThatCannotBeReadBlocksChangesButNotTheRest) {
    fs::create_directory(RulesFile());
    WriteText(RulesFile() / "inside", "x");
    for (const char* args : {"profile rules", "profile rules --json", "profile bind firefox Office",
                             "profile unbind firefox", "profile default Office", "profile auto off",
                             "profile rename Office Work"}) {
        const Result r = Run(args);
        EXPECT_EQ(r.exitCode, 1) << args;
        EXPECT_NE(r.err.find("is a folder"), std::string::npos) << args << ": " << r.err;
    }
    EXPECT_TRUE(fs::is_regular_file(RulesFile() / "inside"));
    // The rename did not happen either: a profile and its rules change together.
    EXPECT_EQ(Run("profile list --names").out, "Browsing\nOffice\nShooter\n");
    // What does not touch the rules still works.
    EXPECT_EQ(Run("profile save Other").exitCode, 0);
    EXPECT_EQ(Run("profile delete --force Other").exitCode, 0);

    fs::remove_all(RulesFile());
    WriteText(RulesFile(), std::string(3u << 20, '#'));
    const Result r = Run("profile bind firefox Office");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(fs::file_size(RulesFile()), 3u << 20);
}

}  // namespace
}  // namespace ornyx::test

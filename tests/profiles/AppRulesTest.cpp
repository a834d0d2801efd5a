// The rules that pick a profile by application: the hand-edited file read
// line by line, every bad line reported and ignored, and written back without
// losing what the user typed.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>

#include "profiles/AppRules.h"
#include "support/TempDir.h"

namespace ornyx::profiles {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::TempDir;
using test::WriteText;

// "line: reason" of each problem, for messages that show what went wrong.
std::string Problems(const AppRules& rules) {
    std::string out;
    for (const AppRulesProblem& p : rules.problems) {
        out += std::to_string(p.line) + ": " + p.reason + "\n";
    }
    return out;
}

bool HasProblemAt(const AppRules& rules, std::size_t line) {
    for (const AppRulesProblem& p : rules.problems) {
        if (p.line == line) return true;
    }
    return false;
}

TEST(AppRulesRead, RulesDefaultAndSwitchWithCommentsBomAndCrLf) {
    const AppRules rules = ParseAppRules(
        "\xEF\xBB\xBF# mine\r\n"
        "\r\n"
        "  automatic = Off  \r\n"
        "DEFAULT = Office\r\n"
        "org.mozilla.firefox = Browsing\r\n"
        "steam_app_730=Shooter (CS)\r\n"
        "VirtualBox Machine = A = B\r\n"
        "Grüße-App = Zürich");
    EXPECT_TRUE(rules.problems.empty()) << Problems(rules);
    EXPECT_FALSE(rules.automatic);
    EXPECT_EQ(rules.defaultProfile, "Office");
    ASSERT_EQ(rules.rules.size(), 4u);
    EXPECT_EQ(rules.rules[0].application, "org.mozilla.firefox");
    EXPECT_EQ(rules.rules[0].line, 5u);
    EXPECT_EQ(rules.rules[1].profile, "Shooter (CS)");
    // The first "=" ends the application; a profile name may hold one.
    EXPECT_EQ(rules.rules[2].application, "VirtualBox Machine");
    EXPECT_EQ(rules.rules[2].profile, "A = B");
    EXPECT_EQ(rules.rules[3].profile, "Zürich");
}

TEST(AppRulesRead, ProfileForApplication) {
    AppRules rules = ParseAppRules(
        "default = Office\n"
        "firefox = Browsing\n"
        "Grüße = Letters\n");
    // X11 class and desktop id of one program differ in case only.
    EXPECT_EQ(ProfileForApplication(rules, "Firefox"), "Browsing");
    EXPECT_EQ(ProfileForApplication(rules, "FIREFOX"), "Browsing");
    EXPECT_EQ(ProfileForApplication(rules, "Grüße"), "Letters");
    // Only ASCII is folded: other letters are compared as they are.
    EXPECT_EQ(ProfileForApplication(rules, "GRÜSSE"), "Office");
    EXPECT_EQ(ProfileForApplication(rules, "org.gnome.Terminal"), "Office");
    EXPECT_EQ(ProfileForApplication(rules, "firefox-esr"), "Office");
    EXPECT_EQ(ProfileForApplication(rules, ""), std::nullopt);

    // A window by all its names: the first with a rule, not the default first.
    const std::array<std::string_view, 3> names = {"org.mozilla.firefox", "", "firefox"};
    EXPECT_EQ(ProfileForApplications(rules, names), "Browsing");
    const std::array<std::string_view, 2> unknown = {"org.gnome.Terminal", "gnome-terminal"};
    EXPECT_EQ(ProfileForApplications(rules, unknown), "Office");
    const std::array<std::string_view, 1> none = {""};
    EXPECT_EQ(ProfileForApplications(rules, none), std::nullopt);

    rules.defaultProfile.reset();
    EXPECT_EQ(ProfileForApplication(rules, "org.gnome.Terminal"), std::nullopt);
    rules.automatic = false;
    EXPECT_EQ(ProfileForApplication(rules, "firefox"), std::nullopt);
    EXPECT_EQ(ProfileForApplications(rules, names), std::nullopt);
}

TEST(AppRulesRead, BadLinesAreReportedWithTheirNumberAndTheRestIsRead) {
    const std::string longLine(1'000'000, 'x');
    const AppRules rules = ParseAppRules(
        "a = One\n"                                   // 1
        "garbage without equals\n"                    // 2
        "= Orphan\n"                                  // 3
        "b =\n"                                       // 4
        "\"quoted.app\" = Two\n"                      // 5
        "bad\xFF\xFEutf8 = Three\n"                   // 6
        + longLine + " = Four\n" +                    // 7
        "automatic = maybe\n"                         // 8
        "default =    \n"                             // 9
        "c = \x01control\n"                           // 10
        "d = One\n" +                                 // 11
        std::string("\x00\x01\x02 = binary\n", 13));  // 12
    EXPECT_EQ(rules.problems.size(), 10u) << Problems(rules);
    for (std::size_t line : {2, 3, 4, 5, 6, 7, 8, 9, 10, 12}) {
        EXPECT_TRUE(HasProblemAt(rules, line)) << line << "\n" << Problems(rules);
    }
    ASSERT_EQ(rules.rules.size(), 2u);
    EXPECT_EQ(rules.rules[0].application, "a");
    EXPECT_EQ(rules.rules[1].application, "d");
    EXPECT_TRUE(rules.automatic);
    EXPECT_FALSE(rules.defaultProfile.has_value());
}

TEST(AppRulesRead, TheLastLineOfAnApplicationCountsAndTheEarlierAreReported) {
    const AppRules rules = ParseAppRules(
        "Firefox = One\n"
        "default = A\n"
        "steam = X\n"
        "firefox = Two\n"
        "default = B\n");
    ASSERT_EQ(rules.rules.size(), 2u);
    EXPECT_EQ(rules.rules[0].application, "steam");
    EXPECT_EQ(rules.rules[1].application, "firefox");
    EXPECT_EQ(rules.rules[1].profile, "Two");
    EXPECT_EQ(rules.rules[1].line, 4u);
    EXPECT_EQ(rules.defaultProfile, "B");
    ASSERT_EQ(rules.problems.size(), 2u) << Problems(rules);
    EXPECT_EQ(rules.problems[0].line, 1u);
    EXPECT_NE(rules.problems[0].reason.find("line 4"), std::string::npos);
    EXPECT_EQ(rules.problems[1].line, 2u);
}

TEST(AppRulesRead, ProblemsOfAHugeFileAreCountedNotKept) {
    std::string text;
    for (int i = 0; i < 200'000; ++i) text += "junk\n";
    text += "app = Last\n";
    const AppRules rules = ParseAppRules(text);
    EXPECT_EQ(rules.problems.size(), kMaxAppRulesProblems);
    EXPECT_EQ(rules.problems.size() + rules.moreProblems, 200'000u);
    ASSERT_EQ(rules.rules.size(), 1u);
    EXPECT_EQ(rules.rules[0].line, 200'001u);
}

TEST(AppRulesRead, TheFileItself) {
    TempDir home;
    // None at all is no rules, and nothing wrong.
    AppRules rules = ReadAppRules(home.path());
    EXPECT_TRUE(rules.readable);
    EXPECT_TRUE(rules.problems.empty());
    EXPECT_TRUE(rules.rules.empty());
    EXPECT_TRUE(rules.automatic);

    // No home folder yet either.
    EXPECT_TRUE(ReadAppRules(home / "not-yet").readable);

    fs::create_directory(home / kAppRulesFileName);
    rules = ReadAppRules(home.path());
    EXPECT_FALSE(rules.readable);
    ASSERT_EQ(rules.problems.size(), 1u);
    EXPECT_EQ(rules.problems[0].line, 0u);
    EXPECT_NE(rules.problems[0].reason.find("folder"), std::string::npos);
    fs::remove(home / kAppRulesFileName);

    WriteText(home / kAppRulesFileName, std::string(kMaxAppRulesBytes + 1, '#'));
    rules = ReadAppRules(home.path());
    EXPECT_FALSE(rules.readable);
    ASSERT_EQ(rules.problems.size(), 1u);
    EXPECT_EQ(rules.problems[0].line, 0u);
}

TEST(AppRulesNames, WhatCanBeBound) {
    for (const char* ok : {"org.mozilla.firefox", "steam_app_730", "Firefox", "VirtualBox Machine",
                           "jetbrains-idea", "Grüße", "a#b"}) {
        EXPECT_EQ(ApplicationProblem(ok), "") << ok;
    }
    for (const std::string& bad :
         {std::string(), std::string("a=b"), std::string("\"firefox\""), std::string("it's"),
          std::string("a\nb"), std::string("a\rb"), std::string("a\tb"), std::string(" a"),
          std::string("a "), std::string("#a"), std::string("default"), std::string("Automatic"),
          std::string("bad\xFF"), std::string(10'000, 'a'), std::string(256, 'a')}) {
        EXPECT_NE(ApplicationProblem(bad), "") << bad.substr(0, 20);
    }
    EXPECT_EQ(ApplicationProblem(std::string(kMaxApplicationBytes, 'a')), "");
    EXPECT_TRUE(SameApplication("Firefox", "firefox"));
    EXPECT_FALSE(SameApplication("firefox", "firefox-esr"));
}

class AppRulesWrite : public ::testing::Test {
protected:
    TempDir home;
    std::string error;

    fs::path File() const { return home / kAppRulesFileName; }
    AppRules Read() const { return ReadAppRules(home.path()); }
    bool Write(const AppRules& rules) { return WriteAppRules(home.path(), rules, error); }
};

TEST_F(AppRulesWrite, ANewFileReadsBackAsWritten) {
    AppRules rules;
    rules.automatic = false;
    rules.defaultProfile = "Office";
    BindApplication(rules, "org.mozilla.firefox", "A = B");
    BindApplication(rules, "steam_app_730", "Zürich");
    ASSERT_TRUE(Write(rules)) << error;
    const AppRules back = Read();
    EXPECT_TRUE(back.problems.empty()) << Problems(back);
    EXPECT_FALSE(back.automatic);
    EXPECT_EQ(back.defaultProfile, "Office");
    ASSERT_EQ(back.rules.size(), 2u);
    EXPECT_EQ(back.rules[0].application, "org.mozilla.firefox");
    EXPECT_EQ(back.rules[0].profile, "A = B");
    EXPECT_EQ(back.rules[1].profile, "Zürich");
}

TEST_F(AppRulesWrite, WhatTheUserTypedStays) {
    const std::string bad = "broken line \xFF\r\n";
    WriteText(File(),
              "\xEF\xBB\xBF# my rules\r\n"
              "firefox = One\r\n"
              "  # keep this\r\n" +
                  bad +
                  "steam = Two   # not a comment, part of the name\r\n"
                  "automatic = off\r\n"
                  "default = Office");
    AppRules rules = Read();
    ASSERT_EQ(rules.problems.size(), 1u) << Problems(rules);
    EXPECT_EQ(BindApplication(rules, "Firefox", "Three"), "One");
    BindApplication(rules, "new.app", "Four");
    rules.automatic = true;
    ASSERT_TRUE(Write(rules)) << error;
    EXPECT_EQ(ReadText(File()),
              "\xEF\xBB\xBF# my rules\r\n"
              "Firefox = Three\r\n"
              "  # keep this\r\n" +
                  bad +
                  "steam = Two   # not a comment, part of the name\r\n"
                  "automatic = on\r\n"
                  "default = Office\r\n"
                  "new.app = Four\r\n");

    rules = Read();
    rules.defaultProfile.reset();
    ASSERT_TRUE(UnbindApplication(rules, "STEAM").has_value());
    EXPECT_FALSE(UnbindApplication(rules, "steam").has_value());
    ASSERT_TRUE(Write(rules)) << error;
    EXPECT_EQ(ReadText(File()),
              "\xEF\xBB\xBF# my rules\r\n"
              "Firefox = Three\r\n"
              "  # keep this\r\n" +
                  bad +
                  "automatic = on\r\n"
                  "new.app = Four\r\n");
}

TEST_F(AppRulesWrite, UnbindRemovesEveryLineOfTheApplication) {
    // Otherwise the overridden line would come back into force.
    WriteText(File(), "firefox = Old\nsteam = S\nFirefox = New\n");
    AppRules rules = Read();
    EXPECT_EQ(UnbindApplication(rules, "firefox"), "New");
    ASSERT_TRUE(Write(rules)) << error;
    EXPECT_EQ(ReadText(File()), "steam = S\n");

    WriteText(File(), "firefox = Old\nsteam = S\nFirefox = New\n");
    rules = Read();
    BindApplication(rules, "firefox", "Newer");
    ASSERT_TRUE(Write(rules)) << error;
    EXPECT_EQ(ReadText(File()), "steam = S\nfirefox = Newer\n");

    // A change elsewhere leaves the user's duplicates as they are.
    WriteText(File(), "firefox = Old\nsteam = S\nFirefox = New\n");
    rules = Read();
    BindApplication(rules, "steam", "T");
    ASSERT_TRUE(Write(rules)) << error;
    EXPECT_EQ(ReadText(File()), "firefox = Old\nsteam = T\nFirefox = New\n");
}

TEST_F(AppRulesWrite, AFileThatCannotBeReadIsNeverReplaced) {
    AppRules rules;
    BindApplication(rules, "firefox", "One");

    fs::create_directory(File());
    EXPECT_FALSE(Write(rules));
    EXPECT_NE(error.find("folder"), std::string::npos) << error;
    EXPECT_TRUE(fs::is_directory(File()));
    fs::remove(File());

    const std::string huge(kMaxAppRulesBytes + 10, '#');
    WriteText(File(), huge);
    EXPECT_FALSE(Write(rules));
    EXPECT_EQ(fs::file_size(File()), huge.size());
}

TEST_F(AppRulesWrite, ItRefusesRulesThatWouldReadBackAsOthers) {
    // A line break in an application would put a line of its own in the file.
    for (const std::string& application :
         {std::string("evil\ndefault = Other"), std::string("a=b"), std::string("default")}) {
        AppRules rules;
        BindApplication(rules, application, "One");
        EXPECT_FALSE(Write(rules)) << application;
        EXPECT_FALSE(fs::exists(File()));
    }
    AppRules rules;
    rules.defaultProfile = "two\nlines";
    EXPECT_FALSE(Write(rules));
    EXPECT_FALSE(fs::exists(File()));
}

TEST(AppRulesRename, RulesAndDefaultFollowTheProfileInAnyCase) {
    AppRules rules = ParseAppRules(
        "default = café\n"
        "a = Cafe\u0301\n"
        "b = CAFÉ\n"
        "c = Other\n");
    EXPECT_EQ(RenameProfileInRules(rules, "Café", "Bar"), 3u);
    EXPECT_EQ(rules.defaultProfile, "Bar");
    EXPECT_EQ(rules.rules[0].profile, "Bar");
    EXPECT_EQ(rules.rules[1].profile, "Bar");
    EXPECT_EQ(rules.rules[2].profile, "Other");
}

}  // namespace
}  // namespace ornyx::profiles

#pragma once

// Which profile goes with which application: a small text file in the program
// home that people may edit by hand, e.g.
//
//     # comments start with #
//     automatic = on
//     default = Office
//     org.mozilla.firefox = Browsing
//     steam_app_730 = Shooter
//
// An application is named by its desktop id (without ".desktop") or its X11
// class. They are compared ignoring ASCII case: the same program shows as
// "firefox" (desktop id, Wayland app id) and "Firefox" (X11 class), people
// type what they see, and no two programs differ only in case. Other
// letters are compared as they are. "default" and "automatic" are the
// file's own keys, never applications. When an application has more than one
// line, the last one counts and the earlier ones are reported.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ornyx::profiles {

inline constexpr const char* kAppRulesFileName = "app-rules.conf";

// Far beyond any real list of rules; a larger file is not read (and not
// replaced, so nothing in it is lost).
inline constexpr std::uintmax_t kMaxAppRulesBytes = 2u << 20;
// A desktop id is a file name, and X11 classes are short.
inline constexpr std::size_t kMaxApplicationBytes = 255;
// A line longer than this cannot be a rule: key, "=" and a profile name.
inline constexpr std::size_t kMaxRuleLineBytes = 1024;
// Problems kept for reporting; the rest are only counted.
inline constexpr std::size_t kMaxAppRulesProblems = 100;

struct AppRule {
    std::string application;
    std::string profile;
    std::size_t line = 0;  // 1-based; 0 for a rule not in the file yet
};

struct AppRulesProblem {
    std::size_t line = 0;  // 0: the file as a whole
    std::string reason;
};

struct AppRules {
    std::vector<AppRule> rules;  // in file order, one per application
    std::optional<std::string> defaultProfile;
    bool automatic = true;                  // `profile auto on|off`
    std::vector<AppRulesProblem> problems;  // lines that could not be read, ignored
    // Problems beyond kMaxAppRulesProblems, only counted.
    std::size_t moreProblems = 0;
    // False when the file exists but could not be read as a whole (a folder,
    // unreadable, too large): then it must not be replaced.
    bool readable = true;
};

// Never throws; a missing file is no rules; an unreadable one is a problem (line 0).
AppRules ReadAppRules(const std::filesystem::path& home);
// The same from the file's bytes.
AppRules ParseAppRules(std::string_view text);

// The profile for the application in front: its rule, else the default;
// nullopt leaves the active profile as it is (also while `automatic` is off,
// and for an empty application). The profile named may have been deleted
// since: the switch to it says so.
std::optional<std::string> ProfileForApplication(const AppRules& rules,
                                                 std::string_view application);

// For a window known by several names (its desktop id, its X11 class and
// instance): the rule of the first name that has one, else the default.
std::optional<std::string> ProfileForApplications(const AppRules& rules,
                                                  std::span<const std::string_view> names);

// Atomic; the caller holds the home's exclusive lock. The file's comments,
// blank lines and lines that could not be read stay as they are; rules are
// changed in their place, new ones added at the end. Refuses (false, with the
// reason) when the file there cannot be read, rather than lose what it holds.
bool WriteAppRules(const std::filesystem::path& home, const AppRules& rules, std::string& error);
// The text WriteAppRules writes over `existing` (the file's current bytes).
std::string MergeAppRules(std::string_view existing, const AppRules& rules);

// Why `application` cannot be bound ("is empty", "has a quote", ...); empty
// when it can. The file reader accepts exactly what this accepts.
std::string ApplicationProblem(std::string_view application);
// Whether two application names are the same application.
bool SameApplication(std::string_view a, std::string_view b);

// The rule of `application`, or nullptr.
const AppRule* FindAppRule(const AppRules& rules, std::string_view application);
// Adds or replaces the rule of `application`; returns the profile it named before.
std::optional<std::string> BindApplication(AppRules& rules, std::string_view application,
                                           std::string_view profile);
// Removes the rule of `application`; returns the profile it named, nullopt when none.
std::optional<std::string> UnbindApplication(AppRules& rules, std::string_view application);
// Points the rules and the default naming profile `from` (in any case or
// composition) to `to`; returns how many were changed.
std::size_t RenameProfileInRules(AppRules& rules, std::string_view from, std::string_view to);

}  // namespace ornyx::profiles

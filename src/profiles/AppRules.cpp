#include "profiles/AppRules.h"

#include <algorithm>
#include <system_error>
#include <unordered_map>

#include "common/AtomicFile.h"
#include "common/Utf8.h"
#include "profiles/ProfileName.h"

namespace ornyx::profiles {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kDefaultKey = "default";
constexpr std::string_view kAutomaticKey = "automatic";

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string FoldApplication(std::string_view application) {
    std::string folded(application);
    std::transform(folded.begin(), folded.end(), folded.begin(), LowerAscii);
    return folded;
}

bool IsBlankByte(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlankByte(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlankByte(s.back())) s.remove_suffix(1);
    return s;
}

bool SameProfileName(std::string_view a, std::string_view b) {
    if (a == b) return true;
    const auto fa = FileNameFor(a);
    return fa && fa == FileNameFor(b);
}

// One line of the file as read: what it sets, and whether it is the line that
// counts for that key (the last valid one).
struct Line {
    enum class Kind { Other, Rule, Default, Automatic };
    std::string_view raw;     // without its line ending (and without the BOM)
    std::string_view ending;  // "\n", "\r\n" or "" for a last line without one
    Kind kind = Kind::Other;
    std::string key;  // the folded application of a rule
    bool counts = false;
};

struct Parsed {
    AppRules rules;
    std::vector<Line> lines;
    bool bom = false;
    // The line of the default and of automatic that count (index into lines).
    std::optional<std::size_t> defaultLine;
    std::optional<std::size_t> automaticLine;
};

void AddProblem(AppRules& rules, std::size_t line, std::string reason) {
    if (rules.problems.size() < kMaxAppRulesProblems) {
        rules.problems.push_back({line, std::move(reason)});
    } else {
        ++rules.moreProblems;
    }
}

Parsed Parse(std::string_view text) {
    Parsed out;
    if (text.starts_with(kBom)) {
        out.bom = true;
        text.remove_prefix(kBom.size());
    }
    std::unordered_map<std::string, std::size_t> ruleLine;  // folded application -> line index
    std::vector<std::pair<std::size_t, std::size_t>> overridden;  // (earlier, later) line numbers

    while (!text.empty()) {
        Line line;
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) {
            line.raw = text;
            text = {};
        } else {
            line.raw = text.substr(0, end);
            line.ending = text.substr(end, 1);
            text.remove_prefix(end + 1);
            if (line.raw.ends_with('\r')) {
                line.raw.remove_suffix(1);
                line.ending = std::string_view(line.raw.data() + line.raw.size(), 2);
            }
        }
        const std::size_t number = out.lines.size() + 1;
        out.lines.push_back(line);
        Line& current = out.lines.back();

        if (current.raw.size() > kMaxRuleLineBytes) {
            AddProblem(out.rules, number,
                       "is longer than " + std::to_string(kMaxRuleLineBytes) + " bytes");
            continue;
        }
        if (!utf8::IsValid(current.raw)) {
            AddProblem(out.rules, number, "is not UTF-8 text");
            continue;
        }
        const std::string_view body = Trim(current.raw);
        if (body.empty() || body.front() == '#') continue;
        const std::size_t eq = body.find('=');
        if (eq == std::string_view::npos) {
            AddProblem(out.rules, number, "has no \"=\" (a rule is APPLICATION = PROFILE)");
            continue;
        }
        const std::string_view key = Trim(body.substr(0, eq));
        const std::string_view value = Trim(body.substr(eq + 1));
        const std::string folded = FoldApplication(key);

        if (folded == kAutomaticKey) {
            const std::string v = FoldApplication(value);
            if (v != "on" && v != "off") {
                AddProblem(out.rules, number, "automatic is \"on\" or \"off\"");
                continue;
            }
            if (out.automaticLine) overridden.emplace_back(*out.automaticLine + 1, number);
            out.rules.automatic = v == "on";
            out.automaticLine = out.lines.size() - 1;
            current.kind = Line::Kind::Automatic;
            continue;
        }
        if (const std::string problem = NameProblem(value); !problem.empty()) {
            AddProblem(out.rules, number, "the profile name " + problem);
            continue;
        }
        if (folded == kDefaultKey) {
            if (out.defaultLine) overridden.emplace_back(*out.defaultLine + 1, number);
            out.rules.defaultProfile = std::string(value);
            out.defaultLine = out.lines.size() - 1;
            current.kind = Line::Kind::Default;
            continue;
        }
        if (const std::string problem = ApplicationProblem(key); !problem.empty()) {
            AddProblem(out.rules, number, "the application " + problem);
            continue;
        }
        current.kind = Line::Kind::Rule;
        current.key = folded;
        auto [it, fresh] = ruleLine.try_emplace(folded, out.lines.size() - 1);
        if (!fresh) {
            overridden.emplace_back(it->second + 1, number);
            it->second = out.lines.size() - 1;
        }
    }

    // The rules in file order, each at the line that counts.
    for (std::size_t i = 0; i < out.lines.size(); ++i) {
        Line& line = out.lines[i];
        switch (line.kind) {
            case Line::Kind::Rule:
                line.counts = ruleLine[line.key] == i;
                if (line.counts) {
                    const std::string_view body = Trim(line.raw);
                    const std::size_t eq = body.find('=');
                    out.rules.rules.push_back({std::string(Trim(body.substr(0, eq))),
                                               std::string(Trim(body.substr(eq + 1))), i + 1});
                }
                break;
            case Line::Kind::Default:
                line.counts = out.defaultLine == i;
                break;
            case Line::Kind::Automatic:
                line.counts = out.automaticLine == i;
                break;
            case Line::Kind::Other:
                break;
        }
    }
    for (const auto& [earlier, later] : overridden) {
        AddProblem(out.rules, earlier,
                   "is set again on line " + std::to_string(later) + ", which counts");
    }
    std::stable_sort(
        out.rules.problems.begin(), out.rules.problems.end(),
        [](const AppRulesProblem& a, const AppRulesProblem& b) { return a.line < b.line; });
    return out;
}

std::string RuleText(std::string_view key, std::string_view value) {
    std::string text(key);
    text += " = ";
    text += value;
    return text;
}

}  // namespace

std::string ApplicationProblem(std::string_view application) {
    if (application.empty()) return "is empty";
    if (application.size() > kMaxApplicationBytes)
        return "is longer than " + std::to_string(kMaxApplicationBytes) + " bytes";
    if (!utf8::IsValid(application)) return "is not UTF-8 text";
    for (const char c : application) {
        if (c == '\n' || c == '\r') return "has a line break";
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) return "has a control character";
        if (c == '=') return "has \"=\"";
        if (c == '"' || c == '\'') return "has a quote (an application is written without quotes)";
    }
    if (IsBlankByte(application.front()) || IsBlankByte(application.back()))
        return "starts or ends with a blank";
    if (application.front() == '#') return "starts with \"#\"";
    const std::string folded = FoldApplication(application);
    if (folded == kDefaultKey || folded == kAutomaticKey)
        return "is a word of the file itself (default, automatic)";
    return {};
}

bool SameApplication(std::string_view a, std::string_view b) {
    return a.size() == b.size() && FoldApplication(a) == FoldApplication(b);
}

AppRules ParseAppRules(std::string_view text) {
    return Parse(text).rules;
}

AppRules ReadAppRules(const fs::path& home) {
    AppRules rules;
    try {
        const fs::path file = home / kAppRulesFileName;
        std::error_code ec;
        const fs::file_status status = fs::status(file, ec);
        if (status.type() == fs::file_type::not_found) return rules;
        std::vector<std::uint8_t> bytes;
        if (const ReadStatus read = ReadFileBounded(file, bytes, kMaxAppRulesBytes);
            read != ReadStatus::Ok) {
            rules.readable = false;
            rules.problems.push_back({0, fs::is_directory(status)
                                             ? file.string() + " is a folder"
                                             : ReadStatusText(file, read, kMaxAppRulesBytes)});
            return rules;
        }
        return ParseAppRules(
            std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    } catch (const std::exception& e) {
        // Memory or a path that cannot be converted: the file is as unusable as an unreadable one.
        AppRules failed;
        failed.readable = false;
        failed.problems.push_back({0, e.what()});
        return failed;
    }
}

const AppRule* FindAppRule(const AppRules& rules, std::string_view application) {
    for (const AppRule& rule : rules.rules) {
        if (SameApplication(rule.application, application)) return &rule;
    }
    return nullptr;
}

std::optional<std::string> ProfileForApplication(const AppRules& rules,
                                                 std::string_view application) {
    if (!rules.automatic || application.empty()) return std::nullopt;
    if (const AppRule* rule = FindAppRule(rules, application)) return rule->profile;
    return rules.defaultProfile;
}

std::optional<std::string> ProfileForApplications(const AppRules& rules,
                                                  std::span<const std::string_view> names) {
    if (!rules.automatic) return std::nullopt;
    bool any = false;
    for (const std::string_view name : names) {
        if (name.empty()) continue;
        any = true;
        if (const AppRule* rule = FindAppRule(rules, name)) return rule->profile;
    }
    if (!any) return std::nullopt;
    return rules.defaultProfile;
}

std::optional<std::string> BindApplication(AppRules& rules, std::string_view application,
                                           std::string_view profile) {
    for (AppRule& rule : rules.rules) {
        if (SameApplication(rule.application, application)) {
            std::optional<std::string> before = rule.profile;
            rule.application = std::string(application);
            rule.profile = std::string(profile);
            return before;
        }
    }
    rules.rules.push_back({std::string(application), std::string(profile), 0});
    return std::nullopt;
}

std::optional<std::string> UnbindApplication(AppRules& rules, std::string_view application) {
    const auto it = std::find_if(rules.rules.begin(), rules.rules.end(), [&](const AppRule& rule) {
        return SameApplication(rule.application, application);
    });
    if (it == rules.rules.end()) return std::nullopt;
    std::optional<std::string> before = it->profile;
    rules.rules.erase(it);
    return before;
}

std::size_t RenameProfileInRules(AppRules& rules, std::string_view from, std::string_view to) {
    std::size_t changed = 0;
    for (AppRule& rule : rules.rules) {
        if (SameProfileName(rule.profile, from)) {
            rule.profile = std::string(to);
            ++changed;
        }
    }
    if (rules.defaultProfile && SameProfileName(*rules.defaultProfile, from)) {
        rules.defaultProfile = std::string(to);
        ++changed;
    }
    return changed;
}

std::string MergeAppRules(std::string_view existing, const AppRules& rules) {
    const Parsed old = Parse(existing);
    // New lines end as the file's own do.
    const std::string_view eol =
        !old.lines.empty() && old.lines.front().ending == "\r\n" ? "\r\n" : "\n";

    std::unordered_map<std::string, const AppRule*> wanted;
    for (const AppRule& rule : rules.rules) wanted[FoldApplication(rule.application)] = &rule;
    std::unordered_map<std::string, const AppRule*> before;
    for (const AppRule& rule : old.rules.rules) before[FoldApplication(rule.application)] = &rule;

    const auto unchanged = [&](const std::string& key) {
        const auto w = wanted.find(key);
        const auto b = before.find(key);
        return w != wanted.end() && b != before.end() &&
               w->second->application == b->second->application &&
               w->second->profile == b->second->profile;
    };
    const bool sameDefault = rules.defaultProfile == old.rules.defaultProfile;
    const bool sameAutomatic = rules.automatic == old.rules.automatic && old.automaticLine;

    std::string out;
    if (old.bom) out += kBom;
    std::vector<std::string> written;  // folded applications already in `out`
    bool defaultWritten = false;
    bool automaticWritten = false;
    for (const Line& line : old.lines) {
        std::string_view text = line.raw;
        std::string replaced;
        bool keep = true;
        switch (line.kind) {
            case Line::Kind::Other:
                break;
            case Line::Kind::Rule:
                if (unchanged(line.key)) {
                    if (line.counts) written.push_back(line.key);
                } else if (const auto w = wanted.find(line.key); line.counts && w != wanted.end()) {
                    replaced = RuleText(w->second->application, w->second->profile);
                    text = replaced;
                    written.push_back(line.key);
                } else {
                    // Overridden already (the new rule replaces them all), or unbound.
                    keep = false;
                }
                break;
            case Line::Kind::Default:
                if (sameDefault) {
                    defaultWritten = defaultWritten || line.counts;
                } else if (!line.counts || !rules.defaultProfile) {
                    keep = false;
                } else {
                    replaced = RuleText(kDefaultKey, *rules.defaultProfile);
                    text = replaced;
                    defaultWritten = true;
                }
                break;
            case Line::Kind::Automatic:
                if (sameAutomatic) {
                    automaticWritten = automaticWritten || line.counts;
                } else if (!line.counts) {
                    keep = false;
                } else {
                    replaced = RuleText(kAutomaticKey, rules.automatic ? "on" : "off");
                    text = replaced;
                    automaticWritten = true;
                }
                break;
        }
        if (!keep) continue;
        out += text;
        out += line.ending;
    }

    std::string added;
    if (old.lines.empty()) {
        added += "# Profiles by application, one rule a line: APPLICATION = PROFILE.";
        added += eol;
        added += "# APPLICATION is a desktop id or an X11 class, in any case.";
        added += eol;
    }
    if (!automaticWritten && !rules.automatic) {
        added += RuleText(kAutomaticKey, "off");
        added += eol;
    }
    if (!defaultWritten && rules.defaultProfile) {
        added += RuleText(kDefaultKey, *rules.defaultProfile);
        added += eol;
    }
    for (const AppRule& rule : rules.rules) {
        const std::string key = FoldApplication(rule.application);
        if (std::find(written.begin(), written.end(), key) != written.end()) continue;
        written.push_back(key);
        added += RuleText(rule.application, rule.profile);
        added += eol;
    }
    if (!added.empty() && !old.lines.empty() && old.lines.back().ending.empty()) out += eol;
    out += added;
    return out;
}

bool WriteAppRules(const fs::path& home, const AppRules& rules, std::string& error) {
    try {
        for (const AppRule& rule : rules.rules) {
            if (std::string problem = ApplicationProblem(rule.application); !problem.empty()) {
                error = "the application \"" + rule.application + "\" " + problem;
                return false;
            }
            if (std::string problem = NameProblem(rule.profile); !problem.empty()) {
                error = "the profile name \"" + rule.profile + "\" " + problem;
                return false;
            }
        }
        if (rules.defaultProfile) {
            if (std::string problem = NameProblem(*rules.defaultProfile); !problem.empty()) {
                error = "the profile name \"" + *rules.defaultProfile + "\" " + problem;
                return false;
            }
        }
        const fs::path file = home / kAppRulesFileName;
        std::vector<std::uint8_t> bytes;
        std::error_code ec;
        const fs::file_status status = fs::status(file, ec);
        if (status.type() != fs::file_type::not_found) {
            if (fs::is_directory(status)) {
                error = file.string() + " is a folder";
                return false;
            }
            if (const ReadStatus read = ReadFileBounded(file, bytes, kMaxAppRulesBytes);
                read != ReadStatus::Ok) {
                error = ReadStatusText(file, read, kMaxAppRulesBytes);
                return false;
            }
        }
        const std::string text = MergeAppRules(
            std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), rules);
        const WriteResult written = WriteFileAtomically(
            file, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
        if (!written.ok) {
            error = written.error;
            return false;
        }
        return true;
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}

}  // namespace ornyx::profiles

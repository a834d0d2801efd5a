// `ornyxctl export`, `import` and `macro`: the program home's files as a JSON
// profile, and the macros of record.ini.
#include <algorithm>
#include <cstdio>
#include <limits>
#include <nlohmann/json.hpp>
#include <system_error>

#include "cli/CliContext.h"
#include "common/AtomicFile.h"
#include "common/Utf8.h"
#include "macros/MacroStore.h"
#include "profile/PrivateProfile.h"
#include "profiles/AppRules.h"
#include "profiles/HomeProfile.h"
#include "profiles/ProfileName.h"
#include "profiles/ProfileStore.h"
#include "profiles/ProfileSwitch.h"
#include "session/ProfileJson.h"
#include "settings/Configuration.h"
#include "settings/HomeLock.h"

namespace ornyx::cli {

namespace {

namespace fs = std::filesystem;

// A profile is a few kilobytes; anything far larger is not one, and reading it
// whole would only waste memory.
constexpr std::uintmax_t kMaxProfileBytes = 16u << 20;

struct Failure {
    std::string message;
};

// config.bin as it is on disk; export and pack refuse to invent one, and
// refuse one they could not load rather than save or export zeros for it.
void RequireConfiguration(CliContext& context) {
    switch (context.configStatus()) {
        case settings::ConfigStatus::Loaded:
            return;
        case settings::ConfigStatus::Unusable:
            throw Failure{context.UnusableConfigText()};
        case settings::ConfigStatus::Missing:
            break;
    }
    throw Failure{context.paths().config.string() + " is missing or not a settings file (" +
                  std::to_string(settings::kConfigFileSize) +
                  " bytes); 'ornyxctl init' creates one"};
}

// str.ini as the export reads it; its labels are only the defaults when it is missing.
profile::IniDocument LoadTextFile(const fs::path& file) {
    std::string why;
    std::optional<profile::IniDocument> doc = profile::LoadProfile(file, &why);
    if (!doc) throw Failure{why};
    return std::move(*doc);
}

session::Profile CurrentProfile(CliContext& context, macros::MacroExport& record) {
    context.LoadSettings();
    RequireConfiguration(context);
    std::string why;
    std::optional<session::Profile> profile =
        profiles::ReadHomeProfile(context.session(), record, why);
    if (!profile) throw Failure{why + " (nothing was exported)"};
    return std::move(*profile);
}

// What the home's files hold that the profile cannot carry: said, not lost silently.
void WarnUncarried(CliContext& context, const session::Profile& profile,
                   const macros::MacroExport& read) {
    const fs::path& record = context.paths().record;
    for (const std::string& note : read.uncarried) {
        std::fprintf(stderr, "ornyxctl: warning: %s: not in the profile: %s\n",
                     record.string().c_str(), note.c_str());
    }
    if (read.moreUncarried > 0) {
        std::fprintf(stderr, "ornyxctl: warning: %s: and %zu more not in the profile\n",
                     record.string().c_str(), read.moreUncarried);
    }
    const fs::path& text = context.paths().text;
    const profile::IniDocument doc = LoadTextFile(text);
    const std::string_view section = i18n::ButtonLabelSection(context.text().language);
    for (std::size_t i = 0; i < profile.labels.size(); ++i) {
        const std::string whole = profile::GetProfileString(
            doc, section, i18n::LabelKey(i), "", std::numeric_limits<std::size_t>::max());
        if (whole != profile.labels[i]) {
            std::fprintf(stderr,
                         "ornyxctl: warning: %s: button label %s is cut to %zu characters\n",
                         context.paths().text.string().c_str(), i18n::LabelKey(i).c_str(),
                         i18n::kProfileBufferChars - 1);
        }
    }
}

int RunExport(CliContext& context, const std::string& file) {
    macros::MacroExport record;
    const session::Profile profile = CurrentProfile(context, record);
    WarnUncarried(context, profile, record);
    const std::string text = session::ExportProfile(profile).dump(2) + "\n";
    if (file == "-") {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return kOk;
    }
    const WriteResult written = WriteFileAtomically(
        utf8::ToPath(file),
        std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    if (!written.ok) throw Failure{written.error};
    std::printf("exported %s to %s\n", context.paths().home.string().c_str(), file.c_str());
    return kOk;
}

nlohmann::json ReadProfileDocument(const std::string& file) {
    std::vector<std::uint8_t> bytes;
    std::error_code ec;
    if (file != "-") {
        const fs::path path = utf8::ToPath(file);
        if (!fs::is_regular_file(path, ec)) throw Failure{file + " is not a readable file"};
        if (fs::file_size(path, ec) > kMaxProfileBytes)
            throw Failure{file + " is too large to be a profile"};
        if (const ReadStatus read = ReadFileBounded(path, bytes, kMaxProfileBytes);
            read != ReadStatus::Ok) {
            throw Failure{ReadStatusText(path, read, kMaxProfileBytes)};
        }
    } else {
        for (int c; (c = std::getchar()) != EOF && bytes.size() <= kMaxProfileBytes;) {
            bytes.push_back(static_cast<std::uint8_t>(c));
        }
        if (bytes.size() > kMaxProfileBytes)
            throw Failure{"standard input is too large to be a profile"};
    }
    std::string error;
    std::optional<nlohmann::json> document = session::ParseProfile(bytes, error);
    if (!document) throw Failure{file + ": " + error};
    return std::move(*document);
}

int RunImport(CliContext& context, const std::string& file) {
    const nlohmann::json document = ReadProfileDocument(file);
    std::string error;
    const std::optional<session::Profile> profile = session::ImportProfile(document, error);
    if (!profile) throw Failure{file + ": " + error};

    // Refused unless record.ini gives back exactly what the profile holds.
    if (const std::string problem = profiles::MacroProblem(*profile); !problem.empty())
        throw Failure{file + ": " + problem};

    context.ResolveHome();
    context.LockHome(settings::HomeLock::Mode::Exclusive);
    // A config.bin that cannot be loaded may still be the user's only copy.
    if (settings::ProbeConfiguration(context.paths().config) == settings::ConfigStatus::Unusable) {
        throw Failure{context.UnusableConfigText()};
    }
    // Every field is valid; now the three files, replaced together: a failure
    // or a kill never leaves the home half imported.
    if (std::string why; !profiles::WriteHomeProfile(context.session(), *profile, {}, why))
        throw Failure{"cannot import " + file + ": " + why};
    const settings::ProgramPaths& paths = context.paths();
    std::printf("imported %s into %s: config.bin, %zu button labels (%s), %zu macros\n",
                file.c_str(), paths.home.string().c_str(), profile->labels.size(),
                std::string(i18n::LanguageCode(context.text().language)).c_str(),
                profile->macros.size());
    return kOk;
}

int RunMacroList(CliContext& context) {
    context.ResolveHome();
    context.LockHome(settings::HomeLock::Mode::Shared);
    std::string why;
    const auto all = macros::ReadAllMacros(context.paths().record, &why);
    if (!all) throw Failure{why};
    // The panel and the mouse see what the listing rule lets through; say where
    // a hand-edited file goes beyond it.
    std::vector<std::string> names;
    for (const macros::NamedMacro& m : *all) names.push_back(m.name);
    const std::vector<std::string> listed = macros::ListedMacroNames(names);
    for (std::size_t i = 0; i < all->size(); ++i) {
        const macros::NamedMacro& m = (*all)[i];
        const bool packed = i < listed.size() && i < macros::kMaxMacros;
        std::printf("%-32s loops %-5s items %-4zu %s\n", m.name.c_str(),
                    m.macro.loopTimes.empty() ? "-" : m.macro.loopTimes.c_str(),
                    m.macro.items.size(),
                    packed ? ("slot " + std::to_string(i + 1)).c_str() : "not packed");
    }
    if (all->empty()) std::printf("no macros in %s\n", context.paths().record.string().c_str());
    return kOk;
}

int RunMacroShow(CliContext& context, const std::string& name) {
    context.ResolveHome();
    context.LockHome(settings::HomeLock::Mode::Shared);
    const auto stored = macros::ReadMacro(context.paths().record, name);
    if (!stored) throw Failure{"no macro \"" + name + "\" in " + context.paths().record.string()};
    std::printf("[%s]\nMacroLoopTimes=%s\n", name.c_str(), stored->loopTimes.c_str());
    for (std::size_t i = 0; i < stored->items.size(); ++i) {
        std::printf("Item%zu=%s\n", i, stored->items[i].c_str());
    }
    return kOk;
}

int RunMacroPack(CliContext& context) {
    context.LoadSettings(settings::HomeLock::Mode::Exclusive);
    RequireConfiguration(context);
    std::string unreadable;
    const std::size_t packed = macros::PackMacros(context.paths().record, context.settings().image,
                                                  context.messages(), &unreadable);
    if (!unreadable.empty()) throw Failure{unreadable + "; config.bin was left as it was"};
    if (!settings::SaveConfiguration(context.paths(), context.settings(), context.messages(),
                                     context.log())) {
        return kFailure;
    }
    std::printf("packed %zu macro%s into config.bin\n", packed, packed == 1 ? "" : "s");
    return kOk;
}

// ----- named profiles -----

profiles::ProfileStore Store(CliContext& context) {
    return profiles::ProfileStore(context.paths().home);
}

bool SameProfile(std::string_view a, std::string_view b) {
    const auto fa = profiles::FileNameFor(a);
    return fa && fa == profiles::FileNameFor(b);
}

int RunProfileList(CliContext& context, bool json, bool names) {
    context.SetReadOnly(true);
    context.LoadSettings();
    const profiles::ProfileStore store = Store(context);
    std::string error;
    const auto all = store.List(error);
    if (!all) throw Failure{error};
    const std::optional<profiles::ActiveProfile> active =
        profiles::ReadActiveProfile(context.paths().home);
    if (names) {
        // For completion and scripts: the names 'use' takes, one per line.
        for (const profiles::StoredProfile& p : *all) {
            if (p.usable) std::printf("%s\n", p.name.c_str());
        }
        return kOk;
    }
    std::optional<bool> modified;
    if (active) modified = profiles::ActiveModified(context.session(), store, *active);
    if (json) {
        nlohmann::ordered_json doc;
        doc["active"] = active ? nlohmann::ordered_json(active->name) : nullptr;
        doc["modified"] = modified ? nlohmann::ordered_json(*modified) : nullptr;
        doc["profiles"] = nlohmann::ordered_json::array();
        for (const profiles::StoredProfile& p : *all) {
            nlohmann::ordered_json entry;
            entry["name"] = p.name;
            entry["file"] = p.file;
            entry["active"] = p.usable && active && SameProfile(active->name, p.name);
            entry["usable"] = p.usable;
            if (!p.usable) entry["reason"] = p.reason;
            doc["profiles"].push_back(std::move(entry));
        }
        const std::string text = doc.dump(2) + "\n";
        std::fwrite(text.data(), 1, text.size(), stdout);
        return kOk;
    }
    for (const profiles::StoredProfile& p : *all) {
        if (!p.usable) {
            std::printf("  %s: unusable: %s\n", p.name.c_str(), p.reason.c_str());
            continue;
        }
        const bool isActive = active && SameProfile(active->name, p.name);
        std::printf("%s %s%s\n", isActive ? "*" : " ", p.name.c_str(),
                    isActive && modified.value_or(false) ? " (modified)" : "");
    }
    if (all->empty()) {
        std::printf("no profiles in %s; 'ornyxctl profile save NAME' makes one\n",
                    store.folder().string().c_str());
    }
    return kOk;
}

int RunProfileShow(CliContext& context, const std::string& name) {
    context.SetReadOnly(true);
    context.ResolveHome();
    context.LockHome(settings::HomeLock::Mode::Shared);
    profiles::StoredProfile stored;
    std::string error;
    switch (Store(context).Find(name, stored, error)) {
        case profiles::ProfileStore::Found::Ok:
            break;
        case profiles::ProfileStore::Found::Missing:
            throw Failure{"there is no profile \"" + name + "\""};
        default:
            throw Failure{error};
    }
    const std::string text = profiles::ProfileDocument(stored.name, stored.profile);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return kOk;
}

int RunProfileSave(CliContext& context, const std::string& name, bool force) {
    if (const std::string problem = profiles::NameProblem(name); !problem.empty())
        throw Failure{"the profile name \"" + name + "\" " + problem};
    context.LoadSettings(settings::HomeLock::Mode::Exclusive);
    RequireConfiguration(context);
    macros::MacroExport record;
    std::string why;
    const std::optional<session::Profile> profile =
        profiles::ReadHomeProfile(context.session(), record, why);
    if (!profile) throw Failure{why + " (no profile was saved)"};
    WarnUncarried(context, *profile, record);
    profiles::ProfileStore store = Store(context);
    if (!store.Save(name, *profile, force, why)) throw Failure{why};
    // The files are this profile now; whether the mouse has them is not known,
    // so the next 'use' of it sends them.
    if (const WriteResult noted = profiles::WriteActiveProfile(context.paths().home, {name, false});
        !noted.ok) {
        throw Failure{"saved, but " + noted.error};
    }
    std::printf("saved profile \"%s\"\n", name.c_str());
    return kOk;
}

int RunProfileUse(CliContext& context, const std::string& name) {
    context.LoadSettings(settings::HomeLock::Mode::Exclusive);
    // A config.bin that cannot be loaded may be the user's only copy.
    if (context.configStatus() == settings::ConfigStatus::Unusable)
        throw Failure{context.UnusableConfigText()};
    const profiles::ProfileStore store = Store(context);
    bool searched = false;
    const profiles::SwitchReport report = profiles::SwitchProfile(context.session(), store, name,
                                                                  [&] {
                                                                      searched = true;
                                                                      return context.OpenMouse();
                                                                  },
                                                                  {.handshakeFirst = true});
    using Outcome = profiles::SwitchReport::Outcome;
    if (report.outcome == Outcome::Refused) {
        // The journaled replacement says so itself when it is what refused.
        const bool said = report.error.ends_with("(nothing was changed)");
        throw Failure{report.error + (said ? "" : " (nothing was changed)")};
    }
    if (report.outcome == Outcome::AlreadyActive) {
        std::printf("profile \"%s\" is active and unchanged; nothing was sent\n",
                    report.name.c_str());
        return kOk;
    }
    if (!report.mousePresent) {
        std::fprintf(stderr,
                     "ornyxctl: switched the files to profile \"%s\"; the mouse gets them with "
                     "the next 'ornyxctl apply' or 'profile use'\n",
                     report.name.c_str());
        return kNoMouse;
    }
    const session::ApplyReport& apply = report.apply;
    if (apply.refused) {
        std::fprintf(stderr, "ornyxctl: %s\n", context.MissingConfigText().c_str());
        return kFailure;
    }
    if (!apply.result.ok()) {
        if (!apply.traceError.empty()) return kUsage;  // the trace's own message says why
        std::fprintf(stderr,
                     "ornyxctl: %s; the files hold profile \"%s\", and the next 'ornyxctl "
                     "apply' or 'profile use' sends it\n",
                     session::ApplyFailureText(apply.result, apply.vanished).c_str(),
                     report.name.c_str());
        return apply.vanished ? kNoMouse : kFailure;
    }
    if (!apply.result.saved) {
        std::fprintf(stderr, "ornyxctl: the settings reached the mouse but %s was not saved\n",
                     context.paths().config.string().c_str());
        return kFailure;
    }
    if (!report.noteError.empty())
        std::fprintf(stderr, "ornyxctl: warning: %s\n", report.noteError.c_str());
    std::printf("switched to profile \"%s\" and applied it\n", report.name.c_str());
    return kOk;
}

// ----- rules by application -----

// An application as typed, fit for one line of a message: control characters
// shown as escapes and a long one cut.
std::string Shown(std::string_view application) {
    constexpr std::size_t kShownBytes = 60;
    std::string out;
    std::size_t i = 0;
    while (i < application.size() && out.size() < kShownBytes) {
        const auto b = static_cast<unsigned char>(application[i]);
        if (b < 0x20 || b == 0x7F) {
            static constexpr char kHex[] = "0123456789abcdef";
            out +=
                b == '\n' ? std::string("\\n") : std::string("\\x") + kHex[b >> 4] + kHex[b & 15];
            ++i;
            continue;
        }
        const std::size_t start = i;
        char32_t cp = 0;
        if (!utf8::NextCodePoint(application, i, cp)) {
            out += "\xEF\xBF\xBD";  // U+FFFD: the byte is not text
            continue;
        }
        out.append(application.substr(start, i - start));
    }
    if (i < application.size()) out += "...";
    return "\"" + out + "\"";
}

profiles::AppRules RulesForChange(CliContext& context) {
    profiles::AppRules rules = profiles::ReadAppRules(context.paths().home);
    // Writing over a file that could not be read would lose it.
    if (!rules.readable) throw Failure{rules.problems.front().reason + " (nothing was changed)"};
    return rules;
}

void WriteRules(CliContext& context, const profiles::AppRules& rules) {
    std::string error;
    if (!profiles::WriteAppRules(context.paths().home, rules, error))
        throw Failure{error + " (nothing was changed)"};
}

// The name a rule keeps for the profile typed in any case: the stored one.
// A missing profile is refused, since a rule for it would silently never
// switch; one that exists but cannot be used is bound with a warning, as the
// user may be mending its file.
std::string ExistingProfile(CliContext& context, const std::string& name) {
    if (const std::string problem = profiles::NameProblem(name); !problem.empty())
        throw Failure{"the profile name \"" + name + "\" " + problem};
    profiles::StoredProfile stored;
    std::string error;
    switch (Store(context).Find(name, stored, error)) {
        case profiles::ProfileStore::Found::Ok:
            return stored.name;
        case profiles::ProfileStore::Found::Missing:
            throw Failure{"there is no profile \"" + name + "\"; 'ornyxctl profile save " + name +
                          "' makes one (nothing was changed)"};
        case profiles::ProfileStore::Found::Unusable:
            std::fprintf(stderr, "ornyxctl: warning: %s\n", error.c_str());
            return name;
        case profiles::ProfileStore::Found::Failed:
            break;
    }
    throw Failure{error + " (nothing was changed)"};
}

void NoteAutomaticOff(const profiles::AppRules& rules) {
    if (!rules.automatic) {
        std::printf("switching by application is off; 'ornyxctl profile auto on' turns it on\n");
    }
}

int RunProfileBind(CliContext& context, const std::string& application, const std::string& name) {
    if (const std::string problem = profiles::ApplicationProblem(application); !problem.empty())
        throw Failure{"the application " + Shown(application) + " " + problem};
    context.ResolveHome();
    context.LockHome(settings::HomeLock::Mode::Exclusive);
    const std::string profile = ExistingProfile(context, name);
    profiles::AppRules rules = RulesForChange(context);
    const std::optional<std::string> before =
        profiles::BindApplication(rules, application, profile);
    WriteRules(context, rules);
    std::printf("bound %s to profile \"%s\"%s\n", Shown(application).c_str(), profile.c_str(),
                before && *before != profile ? (" (was \"" + *before + "\")").c_str() : "");
    NoteAutomaticOff(rules);
    return kOk;
}

int RunProfileUnbind(CliContext& context, const std::string& application) {
    context.ResolveHome();
    context.LockHome(settings::HomeLock::Mode::Exclusive);
    profiles::AppRules rules = RulesForChange(context);
    const std::optional<std::string> before = profiles::UnbindApplication(rules, application);
    if (!before) throw Failure{"there is no rule for " + Shown(application)};
    WriteRules(context, rules);
    std::printf("removed the rule of %s (profile \"%s\")\n", Shown(application).c_str(),
                before->c_str());
    return kOk;
}

int RunProfileDefault(CliContext& context, const std::string& name, bool none) {
    if (none == !name.empty()) throw UsageError{"profile default takes a NAME or --none"};
    context.ResolveHome();
    context.LockHome(settings::HomeLock::Mode::Exclusive);
    std::optional<std::string> profile;
    if (!none) profile = ExistingProfile(context, name);
    profiles::AppRules rules = RulesForChange(context);
    rules.defaultProfile = profile;
    WriteRules(context, rules);
    if (profile) {
        std::printf("other applications get profile \"%s\"\n", profile->c_str());
    } else {
        std::printf("no default profile: other applications leave the active profile as it is\n");
    }
    NoteAutomaticOff(rules);
    return kOk;
}

int RunProfileAuto(CliContext& context, const std::string& state) {
    context.ResolveHome();
    context.LockHome(settings::HomeLock::Mode::Exclusive);
    profiles::AppRules rules = RulesForChange(context);
    rules.automatic = state == "on";
    WriteRules(context, rules);
    std::printf("switching by application is %s\n", rules.automatic ? "on" : "off");
    return kOk;
}

// Whether the profile a rule names is there: "ok", "missing", "unusable", or
// "unknown" when the profiles folder cannot be listed.
class ProfileStatus {
public:
    explicit ProfileStatus(CliContext& context) {
        std::string error;
        if (auto all = Store(context).List(error)) {
            profiles_ = std::move(*all);
        } else {
            std::fprintf(stderr, "ornyxctl: warning: %s\n", error.c_str());
            listed_ = false;
        }
    }
    std::string Of(const std::string& name) const {
        if (!listed_) return "unknown";
        const std::optional<std::string> file = profiles::FileNameFor(name);
        for (const profiles::StoredProfile& p : profiles_) {
            if (file && p.file == *file) return p.usable ? "ok" : "unusable";
        }
        return "missing";
    }

private:
    std::vector<profiles::StoredProfile> profiles_;
    bool listed_ = true;
};

int RunProfileRules(CliContext& context, bool json) {
    context.SetReadOnly(true);
    context.ResolveHome();
    context.LockHome(settings::HomeLock::Mode::Shared);
    const fs::path file = context.paths().home / profiles::kAppRulesFileName;
    const profiles::AppRules rules = profiles::ReadAppRules(context.paths().home);
    if (!rules.readable) throw Failure{rules.problems.front().reason};
    const ProfileStatus status(context);
    if (json) {
        nlohmann::ordered_json doc;
        doc["file"] = file.string();
        doc["automatic"] = rules.automatic;
        if (rules.defaultProfile) {
            doc["default"] = {{"profile", *rules.defaultProfile},
                              {"status", status.Of(*rules.defaultProfile)}};
        } else {
            doc["default"] = nullptr;
        }
        doc["rules"] = nlohmann::ordered_json::array();
        for (const profiles::AppRule& rule : rules.rules) {
            doc["rules"].push_back({{"application", rule.application},
                                    {"profile", rule.profile},
                                    {"status", status.Of(rule.profile)},
                                    {"line", rule.line}});
        }
        doc["problems"] = nlohmann::ordered_json::array();
        for (const profiles::AppRulesProblem& p : rules.problems) {
            doc["problems"].push_back({{"line", p.line}, {"reason", p.reason}});
        }
        doc["more_problems"] = rules.moreProblems;
        // The path is the system's bytes, which need not be UTF-8.
        const std::string text =
            doc.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
        std::fwrite(text.data(), 1, text.size(), stdout);
        return kOk;
    }
    const auto mark = [&](const std::string& profile) {
        const std::string s = status.Of(profile);
        return s == "ok" ? std::string() : " (" + (s == "missing" ? "no such profile" : s) + ")";
    };
    std::printf("switching by application: %s\n", rules.automatic ? "on" : "off");
    if (rules.defaultProfile) {
        std::printf("default: %s%s\n", rules.defaultProfile->c_str(),
                    mark(*rules.defaultProfile).c_str());
    } else {
        std::printf("default: none (other applications leave the active profile as it is)\n");
    }
    for (const profiles::AppRule& rule : rules.rules) {
        std::printf("%s = %s%s\n", rule.application.c_str(), rule.profile.c_str(),
                    mark(rule.profile).c_str());
    }
    if (rules.rules.empty()) {
        std::printf("no rules in %s; 'ornyxctl profile bind APPLICATION NAME' makes one\n",
                    file.string().c_str());
    }
    for (const profiles::AppRulesProblem& p : rules.problems) {
        std::printf("%s: line %zu is ignored: %s\n", file.string().c_str(), p.line,
                    p.reason.c_str());
    }
    if (rules.moreProblems > 0) {
        std::printf("%s: and %zu more lines are ignored\n", file.string().c_str(),
                    rules.moreProblems);
    }
    return kOk;
}

// After a delete: the rules naming the profile are kept (the user may save it
// again), and said.
void WarnRulesNaming(CliContext& context, const std::string& name) {
    const profiles::AppRules rules = profiles::ReadAppRules(context.paths().home);
    std::vector<std::string> naming;
    for (const profiles::AppRule& rule : rules.rules) {
        if (SameProfile(rule.profile, name)) naming.push_back(rule.application);
    }
    const bool isDefault = rules.defaultProfile && SameProfile(*rules.defaultProfile, name);
    if (naming.empty() && !isDefault) return;
    std::string what;
    for (const std::string& application : naming) {
        what += (what.empty() ? "the rules of " : ", ") + application;
    }
    if (isDefault) what += what.empty() ? "the default" : " and the default";
    std::fprintf(stderr,
                 "ornyxctl: warning: %s still name \"%s\" and do nothing until it is saved "
                 "again; 'ornyxctl profile rules' lists them\n",
                 what.c_str(), name.c_str());
}

int RunProfileRename(CliContext& context, const std::string& from, const std::string& to) {
    context.ResolveHome();
    context.LockHome(settings::HomeLock::Mode::Exclusive);
    const fs::path& home = context.paths().home;
    // Read first: rules that cannot be followed must not be left naming a
    // profile that is gone.
    profiles::AppRules rules = RulesForChange(context);
    profiles::ProfileStore store = Store(context);
    std::string error;
    if (!store.Rename(from, to, error)) throw Failure{error};
    const std::size_t followed = profiles::RenameProfileInRules(rules, from, to);
    if (followed > 0 && !profiles::WriteAppRules(home, rules, error)) {
        std::string undo;
        if (!store.Rename(to, from, undo)) {
            throw Failure{"renamed profile \"" + from + "\" to \"" + to +
                          "\", but the rules naming it were not changed: " + error};
        }
        throw Failure{"cannot change the rules naming \"" + from + "\": " + error +
                      " (nothing was changed)"};
    }
    if (const auto active = profiles::ReadActiveProfile(home);
        active && SameProfile(active->name, from)) {
        if (const WriteResult noted = profiles::WriteActiveProfile(home, {to, active->sent});
            !noted.ok) {
            throw Failure{"renamed, but " + noted.error};
        }
    }
    std::string rulesNote;
    if (followed == 1) rulesNote = " and the rule naming it";
    if (followed > 1) rulesNote = " and the " + std::to_string(followed) + " rules naming it";
    std::printf("renamed profile \"%s\" to \"%s\"%s\n", from.c_str(), to.c_str(),
                rulesNote.c_str());
    return kOk;
}

int RunProfileDelete(CliContext& context, const std::string& name, bool force) {
    context.ResolveHome();
    context.LockHome(settings::HomeLock::Mode::Exclusive);
    const fs::path& home = context.paths().home;
    const auto active = profiles::ReadActiveProfile(home);
    const bool isActive = active && SameProfile(active->name, name);
    if (isActive && !force) {
        throw Failure{"\"" + name +
                      "\" is the active profile; --force deletes it (the settings stay)"};
    }
    profiles::ProfileStore store = Store(context);
    std::string error;
    if (!store.Remove(name, error)) throw Failure{error};
    if (isActive) {
        std::error_code ec;
        fs::remove(home / profiles::kActiveFileName, ec);
    }
    std::printf("deleted profile \"%s\"\n", name.c_str());
    WarnRulesNaming(context, name);
    return kOk;
}

// Failures of these commands are the user's files, not usage: exit code 1.
CommandAction Guarded(std::function<int(CliContext&)> action) {
    return [action = std::move(action)](CliContext& context) {
        try {
            return action(context);
        } catch (const Failure& f) {
            std::fprintf(stderr, "ornyxctl: %s\n", f.message.c_str());
            return static_cast<int>(kFailure);
        }
    };
}

}  // namespace

Command AddExportCommand(CLI::App& parent) {
    auto* app = parent.add_subcommand(
        "export", "Write config.bin, the button labels and record.ini as one JSON profile");
    auto file = std::make_shared<std::string>();
    app->add_option("FILE", *file, "The profile to write; - for standard output")->required();
    app->footer(
        "Buttons by function name with their parameters and labels, DPI levels, report rate,\n"
        "lighting, pointer options and macros; bytes no field names are kept as hex, so\n"
        "'import' of the file reproduces every byte.\n"
        "Examples:\n"
        "  ornyxctl export my-profile.json\n"
        "  ornyxctl export - | jq .dpi");
    return {app, Guarded([file](CliContext& c) { return RunExport(c, *file); })};
}

Command AddImportCommand(CLI::App& parent) {
    auto* app = parent.add_subcommand(
        "import", "Replace config.bin, the button labels and record.ini by a JSON profile");
    auto file = std::make_shared<std::string>();
    app->add_option("FILE", *file, "The profile to read; - for standard input")->required();
    app->footer(
        "Every field is checked first; a wrong one is named and nothing is written.\n"
        "The labels go to the section of the language str.ini names. Run 'ornyxctl apply'\n"
        "afterwards to send the settings to the mouse.\n"
        "Examples:\n"
        "  ornyxctl import my-profile.json && ornyxctl apply");
    return {app, Guarded([file](CliContext& c) { return RunImport(c, *file); })};
}

Command AddMacroCommand(CLI::App& parent) {
    auto* app = parent.add_subcommand("macro", "List, show and pack the macros of record.ini");
    app->require_subcommand(1);
    auto* list = app->add_subcommand("list", "Each macro with its loop count, items and slot");
    auto* show = app->add_subcommand("show", "One macro's items as record.ini stores them");
    auto name = std::make_shared<std::string>();
    show->add_option("NAME", *name, "The macro (case does not matter)")->required();
    auto* pack = app->add_subcommand(
        "pack", "Pack the first twelve macros into the macro slots of config.bin");
    app->footer(
        "Examples:\n"
        "  ornyxctl macro list\n"
        "  ornyxctl macro show Burst\n"
        "  ornyxctl macro pack && ornyxctl apply");
    return {app, Guarded([list, show, pack, name](CliContext& c) {
                if (list->parsed()) return RunMacroList(c);
                if (show->parsed()) return RunMacroShow(c, *name);
                if (pack->parsed()) return RunMacroPack(c);
                return static_cast<int>(kUsage);
            })};
}

Command AddProfileCommand(CLI::App& parent) {
    auto* app = parent.add_subcommand("profile", "Keep named setups and switch between them");
    app->require_subcommand(1);
    auto name = std::make_shared<std::string>();
    auto other = std::make_shared<std::string>();
    auto json = std::make_shared<bool>(false);
    auto force = std::make_shared<bool>(false);
    auto names = std::make_shared<bool>(false);
    auto* list = app->add_subcommand("list", "The profiles, the active one marked with *");
    list->add_flag("--json", *json, "As JSON, with the reason for each unusable one");
    list->add_flag("--names", *names, "Only the usable profiles' names, one per line");
    auto* show = app->add_subcommand("show", "One profile's document");
    show->add_option("NAME", *name, "The profile (case does not matter)")->required();
    auto* save = app->add_subcommand("save", "Keep the current settings as a profile");
    save->add_option("NAME", *name, "Up to 64 characters, any language")->required();
    save->add_flag("--force", *force, "Replace a profile of that name");
    auto* use = app->add_subcommand(
        "use", "Switch the files to a profile and send it to the mouse, as apply does");
    use->add_option("NAME", *name, "The profile")->required();
    auto* rename = app->add_subcommand("rename", "Give a profile a new name");
    rename->add_option("OLD", *name, "The profile")->required();
    rename->add_option("NEW", *other, "Its new name")->required();
    auto* remove = app->add_subcommand("delete", "Delete a profile");
    remove->add_option("NAME", *name, "The profile")->required();
    remove->add_flag("--force", *force, "Delete it even when it is the active one");
    auto application = std::make_shared<std::string>();
    auto none = std::make_shared<bool>(false);
    auto state = std::make_shared<std::string>();
    auto* bind = app->add_subcommand(
        "bind", "Switch to a profile whenever an application comes to the front");
    bind->add_option("APPLICATION", *application,
                     "Its desktop id (org.mozilla.firefox) or X11 class; case does not matter")
        ->required();
    bind->add_option("NAME", *name, "The profile; it must exist")->required();
    auto* unbind = app->add_subcommand("unbind", "Remove an application's rule");
    unbind->add_option("APPLICATION", *application, "The application")->required();
    auto* fallback =
        app->add_subcommand("default", "The profile for every application without a rule");
    fallback->add_option("NAME", *name, "The profile");
    fallback->add_flag("--none", *none, "No default: those applications change nothing");
    auto* rules = app->add_subcommand(
        "rules", "The rules by application, the default, and lines that cannot be read");
    rules->add_flag("--json", *json, "As JSON, with whether each profile exists");
    auto* automatic =
        app->add_subcommand("auto", "Turn switching by application on or off (rules stay)");
    automatic->add_option("STATE", *state, "on or off")
        ->required()
        ->check(CLI::IsMember({"on", "off"}));
    app->footer(
        "Profiles are kept in the folder profiles/ of the program home. 'use' replaces\n"
        "config.bin, the button labels and record.ini in one step, then applies; exit code\n"
        "3 when no mouse is there (the files are switched; the next apply sends them).\n"
        "Examples:\n"
        "  ornyxctl profile save Shooter\n"
        "  ornyxctl profile use Shooter\n"
        "  ornyxctl profile list --json | jq -r '.profiles[].name'\n"
        "  ornyxctl profile rename Shooter 'Shooter (old)'\n"
        "Rules by application, kept in app-rules.conf of the program home (one\n"
        "'APPLICATION = PROFILE' a line; the desktop program switches when an application\n"
        "comes to the front; a renamed profile's rules follow it):\n"
        "  ornyxctl profile bind org.mozilla.firefox Browsing\n"
        "  ornyxctl profile bind steam_app_730 Shooter\n"
        "  ornyxctl profile default Office\n"
        "  ornyxctl profile rules\n"
        "  ornyxctl profile auto off");
    return {app, Guarded([=](CliContext& c) {
                if (list->parsed()) return RunProfileList(c, *json, *names);
                if (show->parsed()) return RunProfileShow(c, *name);
                if (save->parsed()) return RunProfileSave(c, *name, *force);
                if (use->parsed()) return RunProfileUse(c, *name);
                if (rename->parsed()) return RunProfileRename(c, *name, *other);
                if (remove->parsed()) return RunProfileDelete(c, *name, *force);
                if (bind->parsed()) return RunProfileBind(c, *application, *name);
                if (unbind->parsed()) return RunProfileUnbind(c, *application);
                if (fallback->parsed()) return RunProfileDefault(c, *name, *none);
                if (rules->parsed()) return RunProfileRules(c, *json);
                if (automatic->parsed()) return RunProfileAuto(c, *state);
                return static_cast<int>(kUsage);
            })};
}

}  // namespace ornyx::cli

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

// How many of the notes on what a profile cannot carry are printed; the rest are
// counted, as a hand-made file may hold millions of them.
constexpr std::size_t kShownNotes = 10;

// A text file of the home that cannot be read is refused rather than taken as
// empty: its content would be lost in a profile, or copied for nothing.
void RequireReadable(const fs::path& file) {
    std::error_code ec;
    const fs::file_status st = fs::status(file, ec);
    if (st.type() == fs::file_type::not_found) return;
    ReadStatus status = ReadStatus::Ok;
    if (ec || !fs::is_regular_file(st)) {
        status = ReadStatus::NotRegular;
    } else if (const std::uintmax_t size = fs::file_size(file, ec); ec) {
        status = ReadStatus::Failed;
    } else if (size > kMaxReadBytes) {
        status = ReadStatus::TooLarge;
    }
    if (status != ReadStatus::Ok) throw Failure{ReadStatusText(file, status)};
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
    // The labels were read already, but a failed read gives the defaults: refuse
    // to export those in place of the user's.
    (void)LoadTextFile(context.paths().text);
    session::Profile profile;
    profile.firstRunFlag = context.settings().firstRunFlag;
    profile.image = context.settings().image;
    profile.labels = context.text().labels;
    std::string why;
    std::optional<macros::MacroExport> read =
        macros::ReadForExport(context.paths().record, kShownNotes, &why);
    if (!read) throw Failure{why};
    record = std::move(*read);
    for (const macros::NamedMacro& m : record.macros) {
        // A profile that its own import would refuse is not written.
        if (const macros::ReadBackProblem p = macros::CheckReadBack(m); !p.empty()) {
            throw Failure{context.paths().record.string() + ": macro \"" + m.name +
                          "\" cannot be carried by a profile: its " + p.field + " " + p.reason +
                          "; change it in the macro panel or in the file (nothing was exported)"};
        }
        profile.macros.push_back({m.name, m.macro.loopTimes, m.macro.items});
    }
    return profile;
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

    std::vector<macros::NamedMacro> named;
    for (std::size_t i = 0; i < profile->macros.size(); ++i) {
        const session::ProfileMacro& m = profile->macros[i];
        named.push_back({m.name, {m.loopTimes, m.items}});
        // Refused unless record.ini gives back exactly what the profile holds.
        if (const macros::ReadBackProblem p = macros::CheckReadBack(named.back()); !p.empty()) {
            throw Failure{file + ": macros[" + std::to_string(i) + "]." + p.field + ": " +
                          p.reason};
        }
    }

    context.ResolveHome();
    context.LockHome(settings::HomeLock::Mode::Exclusive);
    const settings::ProgramPaths& paths = context.paths();
    // A config.bin that cannot be loaded may still be the user's only copy.
    if (settings::ProbeConfiguration(paths.config) == settings::ConfigStatus::Unusable) {
        throw Failure{context.UnusableConfigText()};
    }
    // The replacement starts from copies of these two: sizes are checked first, so
    // that a huge file is refused for what it is, not copied and then refused.
    RequireReadable(paths.record);
    RequireReadable(paths.text);
    // Its language decides where the labels go: unread, it would be guessed.
    (void)LoadTextFile(paths.text);
    context.text() = i18n::LoadTextSettings(paths.text);

    // Every field is valid; now the three files, replaced together: a failure
    // or a kill never leaves the home half imported.
    std::vector<std::uint8_t> config(settings::kConfigFileSize);
    config[0] = profile->firstRunFlag;
    std::copy(profile->image.bytes.begin(), profile->image.bytes.end(), config.begin() + 1);
    const i18n::Language language = context.text().language;
    const std::vector<settings::PlannedWrite> writes = {
        {paths.record, [&](const fs::path& p) { return macros::ReplaceAllMacros(p, named); }, true},
        // Labels that already read the same are left alone, so that str.ini keeps its bytes.
        {paths.text,
         [&](const fs::path& p) {
             return profile->labels == context.text().labels
                        ? WriteResult{true, 0, {}}
                        : i18n::SaveButtonLabels(p, language, profile->labels);
         },
         true},
        {paths.config, [&](const fs::path& p) { return WriteFileAtomically(p, config); }, false},
    };
    const WriteResult replaced = settings::ReplaceTogether(paths.home, writes);
    if (!replaced.ok) throw Failure{"cannot import " + file + ": " + replaced.error};
    std::printf("imported %s into %s: config.bin, %zu button labels (%s), %zu macros\n",
                file.c_str(), paths.home.string().c_str(), profile->labels.size(),
                std::string(i18n::LanguageCode(context.text().language)).c_str(), named.size());
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

}  // namespace ornyx::cli

// ornyxctl: the command-line face of the mouse's configuration.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <vector>

#include "cli/CliContext.h"
#include "common/BuildInfo.h"

using namespace ornyx::cli;

namespace {

// Usage errors in the program's own words, on stderr, each line prefixed so
// that scripts and people can tell whose message it is.
void ReportUsageError(const CLI::App& app, const CLI::ParseError& e, int argc, char** argv) {
    bool commandGiven = false;
    for (const CLI::App* sub : app.get_subcommands({}))
        commandGiven = commandGiven || sub->parsed();
    if (!commandGiven) {
        // The first word that is not an option (nor an option's value) is
        // the command the user meant.
        for (int i = 1; i < argc; ++i) {
            const std::string word = argv[i];
            if (word == "--home" || word == "--trace") {
                ++i;
                continue;
            }
            if (!word.empty() && word[0] == '-') continue;
            std::fprintf(stderr, "ornyxctl: unknown command '%s'\n", word.c_str());
            std::fprintf(stderr, "ornyxctl: the commands are listed by 'ornyxctl --help'\n");
            return;
        }
    }
    std::string text = e.what();
    while (!text.empty() && text.back() == '\n') text.pop_back();
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = text.find('\n', start);
        std::fprintf(stderr, "ornyxctl: %s\n", text.substr(start, end - start).c_str());
        if (end == std::string::npos) break;
        start = end + 1;
    }
    std::fprintf(stderr, "ornyxctl: run with --help for more information\n");
}

// Commands that only read write no file at all, not even a first-run copy
// of the defaults into the user's folder.
bool IsReadOnly(CLI::App& command) {
    const std::string name = command.get_name();
    if (name == "show" || name == "info" || name == "export" || name == "listen") return true;
    if (name == "profile") {
        for (const CLI::App* sub : command.get_subcommands()) {
            if (sub->get_name() == "list" || sub->get_name() == "show") return true;
        }
    }
    if (name == "language") return command.get_option("CODE")->count() == 0;
    if (name == "macro") {
        for (const CLI::App* sub : command.get_subcommands()) {
            if (sub->get_name() == "list" || sub->get_name() == "show") return true;
        }
    }
    return false;
}

}  // namespace

// Before the try below only CLI11's option definitions can throw, and those are
// fixed here: a throw there is a programming error, and terminate reports it.
// NOLINTNEXTLINE(bugprone-exception-escape)
int ornyx::cli::RunOrnyxctl(int argc, char** argv) {
    CLI::App app{
        "ornyxctl: configure the Ornyx gaming mouse (04D9:A09F) from the command line.\n"
        "Runs on the real mouse, or on a simulated one with --simulate.",
        "ornyxctl"};
    app.footer(
        "Examples:\n"
        "  ornyxctl show --json                     the saved settings, decoded\n"
        "  ornyxctl --simulate --trace t.txt raw 0x83   read the sensor settings of the\n"
        "                                           simulated mouse and trace every byte\n"
        "  ornyxctl profile use Shooter             switch to a saved profile and apply it\n"
        "While the desktop program runs on the same program home, 'profile use' and\n"
        "'profile save' go through it on the session bus; it is never started for them.\n"
        "Exit codes: 0 success, 1 failure, 2 usage error, 3 no mouse found.");
    app.require_subcommand(1);
    app.fallthrough();
    app.set_help_all_flag("--help-all", "Help for every command");
    app.set_version_flag("--version", std::string("ornyxctl ") + ornyx::kVersion,
                         "Show the version");

    GlobalOptions options;
    std::string home, simulate, trace;
    app.add_option("--home", home, "Program home: the folder with config.bin, str.ini, record.ini")
        ->type_name("DIR");
    auto* simOption =
        app.add_option("--simulate", simulate,
                       "Use the built-in simulated mouse; OPTS: comma-separated key=value "
                       "(sensor=N, order=event-first|command-first)")
            ->expected(0, 1)
            ->type_name("[=OPTS]");
    app.add_option("--trace", trace, "Record every transfer to the mouse in FILE")
        ->type_name("FILE");
    app.add_flag("-v,--verbose", options.verbose, "Print diagnostic texts on stderr");

    std::vector<Command> commands = {
        AddShowCommand(app),    AddApplyCommand(app),   AddInitCommand(app),
        AddInfoCommand(app),    AddListenCommand(app),  AddRawCommand(app),
        AddExportCommand(app),  AddImportCommand(app),  AddMacroCommand(app),
        AddProfileCommand(app), AddLanguageCommand(app)};

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        ReportUsageError(app, e, argc, argv);
        return kUsage;
    }

    if (!home.empty()) options.home = home;
    if (simOption->count() > 0) options.simulate = simulate;
    if (!trace.empty()) options.trace = trace;

    try {
        CliContext context(options);
        for (const Command& command : commands) {
            if (!command.app->parsed()) continue;
            context.SetReadOnly(IsReadOnly(*command.app));
            const int code = command.action(context);
            // A trace with lines missing is no record of what was sent.
            if (const std::string error = context.TraceError(); !error.empty()) {
                std::fprintf(stderr, "ornyxctl: %s\n", error.c_str());
                return kUsage;
            }
            return code;
        }
    } catch (const UsageError& e) {
        std::fprintf(stderr, "ornyxctl: %s\n", e.message.c_str());
        return kUsage;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ornyxctl: %s\n", e.what());
        return kFailure;
    }
    return kUsage;
}

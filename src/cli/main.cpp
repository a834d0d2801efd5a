// ornyxctl: the command-line face of the mouse's configuration.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <vector>

#include "cli/CliContext.h"

using namespace ornyx::cli;

int main(int argc, char** argv) {
    CLI::App app{
        "ornyxctl: configure the Ornyx gaming mouse (04D9:A09F) from the command line.\n"
        "Runs on the real mouse, or on a simulated one with --simulate.",
        "ornyxctl"};
    app.footer(
        "Examples:\n"
        "  ornyxctl show --json                     the saved settings, decoded\n"
        "  ornyxctl --simulate --trace t.txt raw 0x83   read the sensor settings of the\n"
        "                                           simulated mouse and trace every byte\n"
        "Exit codes: 0 success, 1 failure, 2 usage error, 3 no mouse found.");
    app.require_subcommand(1);
    app.fallthrough();
    app.set_help_all_flag("--help-all", "Help for every command");

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

    std::vector<Command> commands = {AddShowCommand(app),   AddApplyCommand(app),
                                     AddInitCommand(app),   AddInfoCommand(app),
                                     AddListenCommand(app), AddRawCommand(app),
                                     AddExportCommand(app), AddImportCommand(app),
                                     AddMacroCommand(app)};

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kUsage;
    }

    if (!home.empty()) options.home = home;
    if (simOption->count() > 0) options.simulate = simulate;
    if (!trace.empty()) options.trace = trace;

    try {
        CliContext context(options);
        for (const Command& command : commands) {
            if (!command.app->parsed()) continue;
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

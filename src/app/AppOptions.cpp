#include "app/AppOptions.h"

#include <QCommandLineParser>

namespace ornyx::app {

std::optional<AppOptions> ParseAppOptions(const QStringList& arguments, QString& message,
                                          int& exitCode) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Ornyx Mouse: configure the Ornyx gaming mouse (04D9:A09F).\n"
        "Starts in the system tray; click the tray icon to open the window.");
    const QCommandLineOption help({"h", "help"}, "Show this help.");
    const QCommandLineOption home("home", "Program home: the folder with config.bin, str.ini, "
                                          "record.ini and Skins.", "DIR");
    const QCommandLineOption simulate("simulate", "Use the built-in simulated mouse.");
    const QCommandLineOption trace("trace", "Record every transfer to the mouse in FILE.", "FILE");
    const QCommandLineOption show("show", "Show the main window at start.");
    const QCommandLineOption screenshot("screenshot", "Once shown, write the window to FILE (PNG) "
                                                      "and exit.", "FILE");
    const QCommandLineOption verbose({"v", "verbose"}, "Print diagnostic texts on stderr.");
    parser.addOptions({help, home, simulate, trace, show, screenshot, verbose});

    // --simulate takes an optional value, which QCommandLineParser cannot
    // express: take "--simulate=OPTS" apart first.
    QStringList args;
    AppOptions options;
    for (const QString& a : arguments) {
        if (a.startsWith("--simulate=")) {
            options.simulate = a.mid(11).toStdString();
            continue;
        }
        args << a;
    }
    if (!parser.parse(args)) {
        message = parser.errorText() + "\n\n" + parser.helpText();
        exitCode = 2;
        return std::nullopt;
    }
    if (parser.isSet(help)) {
        message = parser.helpText() +
                  "\n  --simulate=OPTS    The simulated mouse with options: sensor=N, "
                  "order=command-first, fault=silent|bogus, vanish=N.\n";
        exitCode = 0;
        return std::nullopt;
    }
    if (!parser.positionalArguments().isEmpty()) {
        message = "Unexpected argument: " + parser.positionalArguments().first() + "\n\n" +
                  parser.helpText();
        exitCode = 2;
        return std::nullopt;
    }
    if (parser.isSet(home)) options.home = parser.value(home).toStdString();
    if (parser.isSet(simulate) && !options.simulate) options.simulate = std::string();
    if (parser.isSet(trace)) options.trace = parser.value(trace).toStdString();
    options.show = parser.isSet(show);
    options.screenshot = parser.value(screenshot);
    if (!options.screenshot.isEmpty()) options.show = true;
    options.verbose = parser.isSet(verbose);
    return options;
}

}  // namespace ornyx::app

#include "app/AppOptions.h"

#include <QCommandLineParser>

#include "app/ScriptInterface.h"
#include "common/BuildInfo.h"

namespace ornyx::app {

std::optional<AppOptions> ParseAppOptions(const QStringList& arguments, QString& message,
                                          int& exitCode) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Ornyx Mouse: configure the Ornyx gaming mouse (04D9:A09F).\n"
        "Starts in the system tray; click the tray icon to open the window.\n"
        "Its Profiles submenu switches between named profiles." +
        QString::fromUtf8(ScriptInterfaceHelp()));
    const QCommandLineOption help({"h", "help"}, "Show this help.");
    const QCommandLineOption version("version", "Show the version.");
    const QCommandLineOption home("home",
                                  "Program home: the folder with config.bin, str.ini, "
                                  "record.ini and Skins.",
                                  "DIR");
    const QCommandLineOption simulate("simulate", "Use the built-in simulated mouse.");
    const QCommandLineOption trace("trace", "Record every transfer to the mouse in FILE.", "FILE");
    const QCommandLineOption show("show", "Show the main window at start.");
    const QCommandLineOption hidden("hidden",
                                    "Start in the background without showing the "
                                    "window, also where there is no tray (for the "
                                    "session's autostart).");
    const QCommandLineOption screenshot("screenshot",
                                        "Once shown, write the window to FILE (PNG) "
                                        "and exit.",
                                        "FILE");
    const QCommandLineOption verbose({"v", "verbose"}, "Print diagnostic texts on stderr.");
    parser.addOptions({help, version, home, simulate, trace, show, hidden, screenshot, verbose});

    // --simulate takes an optional value, which QCommandLineParser cannot
    // express: take "--simulate=OPTS" apart first.
    QStringList args;
    AppOptions options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a.startsWith("--simulate=")) {
            options.simulate = a.mid(11).toStdString();
            continue;
        }
        // Qt's own option, as every Qt program takes it (QGuiApplication
        // reads it from argv): not ours to refuse.
        if ((a == "-platform" || a == "--platform") && i + 1 < arguments.size()) {
            options.platform = arguments[++i];
            continue;
        }
        args << a;
    }
    // The parser runs before the application object exists (a screenshot
    // must choose the display first), so it cannot know the program's name.
    const auto helpText = [&parser] {
        QString text = parser.helpText();
        text.replace("<executable_name>", "ornyx-mouse");
        if (text.startsWith("Usage:  ")) text.insert(7, "ornyx-mouse");
        return text;
    };
    if (!parser.parse(args)) {
        message = "ornyx-mouse: " + parser.errorText() + "\n\n" + helpText();
        exitCode = 2;
        return std::nullopt;
    }
    if (parser.isSet(version)) {
        message = QString("ornyx-mouse ") + kVersion;
        exitCode = 0;
        return std::nullopt;
    }
    if (parser.isSet(help)) {
        message = helpText() +
                  "\n  --simulate=OPTS    The simulated mouse with options: sensor=N, "
                  "order=command-first, fault=silent|bogus, vanish=N,\n"
                  "                     events=CODE.PARAMETER+... (notifications waiting at "
                  "start).\n";
        exitCode = 0;
        return std::nullopt;
    }
    if (!parser.positionalArguments().isEmpty()) {
        message = "ornyx-mouse: unexpected argument: " + parser.positionalArguments().first() +
                  "\n\n" + helpText();
        exitCode = 2;
        return std::nullopt;
    }
    if (parser.isSet(home)) options.home = parser.value(home).toStdString();
    if (parser.isSet(simulate) && !options.simulate) options.simulate = std::string();
    if (parser.isSet(trace)) options.trace = parser.value(trace).toStdString();
    options.show = parser.isSet(show);
    options.hidden = parser.isSet(hidden);
    options.screenshot = parser.value(screenshot);
    if (options.hidden && (options.show || !options.screenshot.isEmpty())) {
        message = "ornyx-mouse: --hidden cannot go with --show or --screenshot\n\n" + helpText();
        exitCode = 2;
        return std::nullopt;
    }
    if (!options.screenshot.isEmpty()) options.show = true;
    options.verbose = parser.isSet(verbose);
    return options;
}

}  // namespace ornyx::app

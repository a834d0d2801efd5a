#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <string>

namespace ornyx::app {

// The command line of ornyx-mouse.
struct AppOptions {
    std::optional<std::string> home;
    std::optional<std::string> simulate;  // present (maybe empty) with --simulate
    std::optional<std::string> trace;
    bool show = false;    // show the main window at start, as the first tray click would
    bool hidden = false;  // never show at start, even without a tray (autostart)
    QString screenshot;   // write the shown window to this PNG and exit
    bool verbose = false;
    QString platform;  // Qt's own -platform NAME, left in argv for QGuiApplication
};

// Parses the arguments (argv[0] first). On --help, --version or a usage
// error returns nullopt with `message` to print and `exitCode` (0 for help
// and version, 2 for errors).
std::optional<AppOptions> ParseAppOptions(const QStringList& arguments, QString& message,
                                          int& exitCode);

}  // namespace ornyx::app

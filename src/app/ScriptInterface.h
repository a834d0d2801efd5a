#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <string>

namespace ornyx::app {

class CHidMouseDlg;

// What connects the running program to the desktop around it. On Linux: the
// session bus (DBusService) where scripts and ornyxctl reach it, the
// application in front (the X11 watcher, or a KWin script loaded for the
// session and unloaded when the returned object goes), and SIGTERM and SIGINT
// ending the program as its Exit does, so that the script is taken down.
// Windows has none of these, so nothing is offered there. What cannot be set
// up is said through `log` and left out.
std::unique_ptr<QObject> OfferScriptInterface(CHidMouseDlg& window,
                                              const std::function<void(const std::string&)>& log);

// What --help says of it: the rest of the paragraph after the Profiles
// submenu (empty where there is none).
const char* ScriptInterfaceHelp();

}  // namespace ornyx::app

#pragma once

#include <QObject>
#include <QString>
#include <memory>

namespace ornyx::app {

class CHidMouseDlg;

// Where scripts and ornyxctl reach the running program: the session bus on
// Linux (DBusService); Windows has none, so nothing is offered there. Null
// with `error` set when the interface exists but cannot be offered.
std::unique_ptr<QObject> OfferScriptInterface(CHidMouseDlg& window, QString& error);

// What --help says of it: the rest of the paragraph after the Profiles
// submenu (empty where there is none).
const char* ScriptInterfaceHelp();

}  // namespace ornyx::app

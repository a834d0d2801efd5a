#pragma once

#include <QIcon>
#include <QStringList>
#include <functional>
#include <memory>

#include "i18n/Language.h"
#include "performance/PointerSettings.h"

class QCoreApplication;
class QObject;

namespace ornyx::app {

// True when a Wayland compositor or an X server named by the environment
// accepts a connection; used before Qt starts, which would abort otherwise.
bool DisplayReachable();

// The program's arguments as the user typed them: on Windows from the
// UTF-16 command line, since argv holds them in the ANSI code page, which
// cannot spell every path.
QStringList CommandLineArguments(int argc, char** argv);

// The desktop's own pointer options: GNOME's settings on Linux, the system's
// parameters on Windows.
std::unique_ptr<performance::PointerSettings> CreateDesktopPointerSettings();

// Calls `raised` on this thread each time the wait handle (DeviceMonitor::Fd(),
// WakeSignal::handle()) is ready: a descriptor on Linux, an event object on
// Windows. The watcher returned is a child of `parent`.
QObject* WatchWaitHandle(int handle, QObject* parent, std::function<void()> raised);

// The application icon at every size it is built in (window, tray, notes).
QIcon ApplicationIcon();

// Installs Qt's own translations (standard dialogs, message-box buttons) for
// the language of the user interface. Returns false when none are found.
bool InstallQtTranslations(QCoreApplication& application, i18n::Language language);

}  // namespace ornyx::app

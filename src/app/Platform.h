#pragma once

#include <QIcon>
#include <memory>

#include "common/DebugLog.h"
#include "device/DeviceMonitor.h"
#include "device/HidAccess.h"
#include "i18n/Language.h"

class QCoreApplication;

namespace ornyx::app {

// The real mouse's HID access and plug monitor on this system.
std::unique_ptr<device::HidAccess> CreatePlatformHidAccess();
std::unique_ptr<device::DeviceMonitor> CreatePlatformMonitor(DebugLog& log);

// True when a Wayland compositor or an X server named by the environment
// accepts a connection; used before Qt starts, which would abort otherwise.
bool DisplayReachable();

// The application icon at every size it is built in (window, tray, notes).
QIcon ApplicationIcon();

// Installs Qt's own translations (standard dialogs, message-box buttons) for
// the language of the user interface. Returns false when none are found.
bool InstallQtTranslations(QCoreApplication& application, i18n::Language language);

}  // namespace ornyx::app

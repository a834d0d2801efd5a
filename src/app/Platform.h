#pragma once

#include <QIcon>
#include <memory>

#include "i18n/Language.h"

class QCoreApplication;

namespace ornyx::app {

// True when a Wayland compositor or an X server named by the environment
// accepts a connection; used before Qt starts, which would abort otherwise.
bool DisplayReachable();

// The application icon at every size it is built in (window, tray, notes).
QIcon ApplicationIcon();

// Installs Qt's own translations (standard dialogs, message-box buttons) for
// the language of the user interface. Returns false when none are found.
bool InstallQtTranslations(QCoreApplication& application, i18n::Language language);

}  // namespace ornyx::app

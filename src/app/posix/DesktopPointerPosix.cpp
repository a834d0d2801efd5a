#include "app/Platform.h"
#include "performance/gnome/GnomePointerSettings.h"

namespace ornyx::app {

std::unique_ptr<performance::PointerSettings> CreateDesktopPointerSettings() {
    return performance::gnome::CreateDesktopPointerSettings();
}

}  // namespace ornyx::app

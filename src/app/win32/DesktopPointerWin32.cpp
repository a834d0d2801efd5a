#include "app/Platform.h"
#include "performance/windows/WindowsPointerSettings.h"

namespace ornyx::app {

std::unique_ptr<performance::PointerSettings> CreateDesktopPointerSettings() {
    return performance::windows::CreateDesktopPointerSettings();
}

}  // namespace ornyx::app

#include "app/Platform.h"

#include "device/hidraw/HidrawAccess.h"
#include "device/hidraw/HidrawMonitor.h"

namespace ornyx::app {

std::unique_ptr<device::HidAccess> CreatePlatformHidAccess() {
    return std::make_unique<device::hidraw::HidrawAccess>();
}

std::unique_ptr<device::DeviceMonitor> CreatePlatformMonitor(DebugLog& log) {
    std::string error;
    auto monitor = device::hidraw::HidrawMonitor::Create(error);
    if (!monitor) log.Write("no plug and unplug announcements: " + error);
    return monitor;
}

}  // namespace ornyx::app

#include "device/hidraw/HidrawBackend.h"

#include <string>

#include "device/hidraw/HidrawAccess.h"
#include "device/hidraw/HidrawMonitor.h"

namespace ornyx::device::hidraw {

std::unique_ptr<HidAccess> HidrawBackend::CreateAccess() {
    return std::make_unique<HidrawAccess>();
}

std::unique_ptr<DeviceMonitor> HidrawBackend::CreateMonitor(DebugLog& log) {
    std::string error;
    auto monitor = HidrawMonitor::Create(error);
    if (!monitor) log.Write("no plug and unplug announcements: " + error);
    return monitor;
}

}  // namespace ornyx::device::hidraw

namespace ornyx::device {

std::unique_ptr<Backend> CreatePlatformBackend() {
    return std::make_unique<hidraw::HidrawBackend>();
}

}  // namespace ornyx::device

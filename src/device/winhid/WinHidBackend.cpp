#include "device/winhid/WinHidBackend.h"

#include <string>

#include "device/winhid/WinHidAccess.h"
#include "device/winhid/WinHidMonitor.h"

namespace ornyx::device::winhid {

std::unique_ptr<HidAccess> WinHidBackend::CreateAccess() {
    return std::make_unique<WinHidAccess>();
}

std::unique_ptr<DeviceMonitor> WinHidBackend::CreateMonitor(DebugLog& log) {
    std::string error;
    auto monitor = WinHidMonitor::Create(error);
    if (!monitor) log.Write("no plug and unplug announcements: " + error);
    return monitor;
}

}  // namespace ornyx::device::winhid

namespace ornyx::device {

std::unique_ptr<Backend> CreatePlatformBackend() {
    return std::make_unique<winhid::WinHidBackend>();
}

}  // namespace ornyx::device

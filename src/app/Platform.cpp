#include "app/Platform.h"

#include "device/DeviceLink.h"

namespace ornyx::app {

std::unique_ptr<device::HidAccess> CreatePlatformHidAccess() {
    return std::make_unique<device::NoHidAccess>();
}

std::unique_ptr<device::DeviceMonitor> CreatePlatformMonitor(DebugLog&) { return nullptr; }

}  // namespace ornyx::app

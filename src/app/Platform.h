#pragma once

#include <memory>

#include "common/DebugLog.h"
#include "device/DeviceMonitor.h"
#include "device/HidAccess.h"

namespace ornyx::app {

// The real mouse's HID access and plug monitor on this system.
std::unique_ptr<device::HidAccess> CreatePlatformHidAccess();
std::unique_ptr<device::DeviceMonitor> CreatePlatformMonitor(DebugLog& log);

}  // namespace ornyx::app

#pragma once

#include <memory>

#include "common/DebugLog.h"
#include "device/DeviceMonitor.h"
#include "device/HidAccess.h"

namespace ornyx::device {

// How the real mouse is reached on this system: its HID access and the
// announcements of plug and unplug. The core picks the simulator or this;
// the platform's own library (hidraw on Linux) provides it, so that the core
// builds without it.
class Backend {
public:
    virtual ~Backend() = default;
    virtual std::unique_ptr<HidAccess> CreateAccess() = 0;
    // Null (after logging why) where the system gives no announcements.
    virtual std::unique_ptr<DeviceMonitor> CreateMonitor(DebugLog& log) = 0;
};

// This system's backend. Defined by the platform's backend library (hidraw on
// Linux), so that a program picks the backend by what it links.
std::unique_ptr<Backend> CreatePlatformBackend();

}  // namespace ornyx::device

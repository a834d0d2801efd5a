#pragma once

#include "device/Backend.h"

namespace ornyx::device::winhid {

// The real mouse on Windows: HID collections through the HID class driver,
// plug and unplug through device interface announcements.
class WinHidBackend final : public Backend {
public:
    std::unique_ptr<HidAccess> CreateAccess() override;
    std::unique_ptr<DeviceMonitor> CreateMonitor(DebugLog& log) override;
};

}  // namespace ornyx::device::winhid

#pragma once

#include "device/Backend.h"

namespace ornyx::device::hidraw {

// The real mouse on Linux: hidraw nodes, plug and unplug through libudev.
// (The uhid virtual mouse is a hidraw node too, so it is reached the same way.)
class HidrawBackend final : public Backend {
public:
    std::unique_ptr<HidAccess> CreateAccess() override;
    std::unique_ptr<DeviceMonitor> CreateMonitor(DebugLog& log) override;
};

}  // namespace ornyx::device::hidraw

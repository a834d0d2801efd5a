#pragma once

#include "device/Backend.h"

namespace ornyx::device::winstub {

// Windows until its HID backend exists: no node is listed, so every command
// that needs the real mouse reports that none was found; --simulate works.
class StubBackend final : public Backend {
public:
    std::unique_ptr<HidAccess> CreateAccess() override;
    std::unique_ptr<DeviceMonitor> CreateMonitor(DebugLog& log) override;
};

}  // namespace ornyx::device::winstub

#pragma once

#include <memory>
#include <optional>
#include <string>

#include "device/DeviceMonitor.h"

struct udev;
struct udev_monitor;

namespace ornyx::device::hidraw {

// Plug and unplug of hidraw nodes, as udev announces them after its rules
// have run (so an added node already has its permissions).
class HidrawMonitor final : public DeviceMonitor {
public:
    // nullptr with `error` set when udev gives no monitor.
    static std::unique_ptr<HidrawMonitor> Create(std::string& error);
    ~HidrawMonitor() override;
    HidrawMonitor(const HidrawMonitor&) = delete;
    HidrawMonitor& operator=(const HidrawMonitor&) = delete;

    int Fd() const override;
    // Skips announcements other than add and remove. Ids come from the HID
    // device above the node, else from the announcement itself; 0 and 0 when
    // neither tells them (a node already gone).
    std::optional<DeviceChange> Receive() override;

private:
    HidrawMonitor(udev* context, udev_monitor* monitor);

    udev* udev_;
    udev_monitor* monitor_;
};

}  // namespace ornyx::device::hidraw

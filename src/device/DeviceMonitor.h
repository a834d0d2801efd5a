#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace ornyx::device {

// A HID node that appeared or went away.
struct DeviceChange {
    enum class Action : std::uint8_t { Added, Removed };
    Action action = Action::Added;
    std::string devnode;
    // 0 when the system no longer knows them (a node already gone); the
    // caller then treats the change as possibly the mouse's.
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
};

// Tells of HID nodes being plugged in and removed: libudev on Linux, the
// simulator in tests. Fd() becomes readable when a change waits; the GUI
// watches it with a socket notifier, the CLI with poll().
class DeviceMonitor {
public:
    virtual ~DeviceMonitor() = default;
    virtual int Fd() const = 0;
    // The next waiting change, or nullopt when none waits (never blocks).
    virtual std::optional<DeviceChange> Receive() = 0;
};

}  // namespace ornyx::device

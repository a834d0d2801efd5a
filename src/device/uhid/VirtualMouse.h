#pragma once

#include <linux/uhid.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/firmware/FirmwareModel.h"

// The mouse as real kernel devices through /dev/uhid: one uhid device per USB
// interface, because one descriptor mixing reports with and without report IDs
// would be malformed. The firmware model answers the command interface.
namespace ornyx::device::uhid {

enum class Interface : std::uint8_t { Mouse, Event, Command };
inline constexpr std::array<Interface, 3> kInterfaces = {Interface::Mouse, Interface::Event,
                                                         Interface::Command};
const char* InterfaceName(Interface which);

// The UHID_CREATE2 request of one interface. `phys` tells the interfaces apart
// in sysfs (HID_PHYS), where the hidraw nodes are looked up.
uhid_event CreateRequest(Interface which, const std::string& phys);
uhid_event DestroyRequest();
// An input report on the event interface, report ID first; nullopt with
// `error` set for bad hex or a report of the wrong size or ID.
std::optional<uhid_event> EventReport(std::string_view hex, std::string& error);

// The bytes of one uhid event as written to /dev/uhid.
std::span<const std::uint8_t> AsBytes(const uhid_event& event);

// Answers the kernel's requests from the firmware model.
class VirtualMouse {
public:
    explicit VirtualMouse(std::uint8_t sensorType) : model_(sensorType) {}

    // What to write back on the same interface for one event read from it:
    // the reply to a get or set report, then any input reports the command
    // asked for.
    std::vector<uhid_event> Handle(Interface which, const uhid_event& event);

    firmware::FirmwareModel& model() { return model_; }

private:
    firmware::FirmwareModel model_;
};

// The hidraw node (/dev/hidrawN) of the HID device whose HID_PHYS is `phys`,
// looked up under `classHidraw` (/sys/class/hidraw); nullopt until it exists.
std::optional<std::string> FindHidrawNode(const std::filesystem::path& classHidraw,
                                          std::string_view phys);

// Feeds the transfers of a trace file (set-feature and write lines) into the
// model, as the mouse would have received them. False with `error` set when
// the file cannot be read or a line is malformed.
bool ReplayTrace(const std::filesystem::path& trace, firmware::FirmwareModel& model,
                 std::string& error);

}  // namespace ornyx::device::uhid

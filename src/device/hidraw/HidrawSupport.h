#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// Pure helpers of the hidraw backend: text formats the kernel and udev hand
// out, and the layout of input reports. No system calls, so they are tested
// without a device.
namespace ornyx::device::hidraw {

struct HidId {
    std::uint16_t bus = 0;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
};

// The HID_ID property of a HID device, "bus:vendor:product" in hex
// ("0003:000004D9:0000A09F"). The kernel keeps vendor and product as 32-bit
// numbers; USB and Bluetooth ids live in the low 16 bits. nullopt unless it is
// exactly three fields of 1 to 8 hex digits.
std::optional<HidId> ParseHidId(std::string_view text);

// The sysfs name of a HID device, "BBBB:VVVV:PPPP.NNNN" (bus, vendor, product,
// instance; 4 to 8 hex digits each), as it appears in a hidraw node's device path.
std::optional<HidId> ParseHidDeviceName(std::string_view name);

// The identity of the HID device a hidraw node hangs under, from the node's
// device path alone (".../0003:04D9:A09F.0001/hidraw/hidraw0"). Works after
// the device has gone, when sysfs can no longer be asked.
std::optional<HidId> HidIdFromDevpath(std::string_view devpath);

// A hex number of 1 to 4 digits such as the "bcdDevice" attribute ("0100").
std::optional<std::uint16_t> ParseHex16(std::string_view text);

// N of "/dev/hidrawN"; nullopt for any other name.
std::optional<unsigned> HidrawNumber(std::string_view devnode);

// The order nodes are listed in: /dev/hidrawN by N (so hidraw2 comes before
// hidraw10), any other name after them, by name.
bool NodeOrderLess(const std::string& a, const std::string& b);

// Lays out one input report as the layers above expect it: the report ID byte
// first. `received` is what read() gave; on a node whose descriptor declares
// no report IDs that is the data alone, so a 0 is put in front. What does not
// fit into `out` is dropped; the rest of `out` is cleared, so nothing from an
// earlier report can pass for data. Returns the bytes stored (0 when nothing
// was received).
std::size_t NormalizeInputReport(std::span<const std::uint8_t> received, bool nodeUsesReportIds,
                                 std::span<std::uint8_t> out);

// The error text for a node that open() refused with `error` (an errno value).
std::string OpenErrorText(int error, const std::string& path);

}  // namespace ornyx::device::hidraw

#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "device/ReportDescriptor.h"

// Pure helpers of the Windows backend: what the HID parser's capabilities
// and the system's error codes and interface names mean to the layers above.
namespace ornyx::device::winhid {

// What HidP_GetCaps says of one top-level collection. Kept apart from the
// system's HIDP_CAPS so that the mapping is tested without a device.
struct CollectionCaps {
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    std::uint16_t inputReportLength = 0;
    std::uint16_t outputReportLength = 0;
    std::uint16_t featureReportLength = 0;
};

// The collection as Discovery sees it. `reportIds` are the IDs the
// collection's items name (0 for "no report ID"); they are sorted and made
// unique here. Windows lists top-level collections only when they are
// application collections.
TopLevelCollection CollectionFromCaps(const CollectionCaps& caps,
                                      std::span<const std::uint8_t> reportIds);

// Whether an error code of a transfer or an open means the device has gone
// (unplugged, or removed while we held it).
bool IsDeviceGoneError(DWORD error);

// The error text for an interface that CreateFileW refused with `error`.
std::string OpenErrorText(DWORD error, const std::string& path);

// The system's own words for an error code, in UTF-8, without the line break.
std::string SystemErrorText(DWORD error);

struct UsbIds {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
};

// The vendor and product ids named in a device interface path
// ("\\?\HID#VID_04D9&PID_A09F&MI_01&Col02#...", any case). nullopt when the
// path names no well-formed pair, as a device on another bus may.
std::optional<UsbIds> IdsFromInterfacePath(std::string_view path);

// UTF-8 from UTF-16 and back; invalid sequences become U+FFFD.
std::string Narrow(std::wstring_view text);
std::wstring Widen(std::string_view text);

}  // namespace ornyx::device::winhid

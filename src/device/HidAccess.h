#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/ReportDescriptor.h"

namespace ornyx::device {

// One HID node as the platform lists it. A node may hold several top-level
// collections; they are found by parsing its report descriptor. Where the
// system lists each top-level collection as a node of its own and hands out
// no descriptor (Windows), `collection` describes it instead.
struct HidInterfaceInfo {
    std::string path;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t version = 0;
    std::vector<std::uint8_t> reportDescriptor;
    std::optional<TopLevelCollection> collection;
};

// An open node. Buffers are laid out as on Windows: the report ID byte first,
// 0 for a collection without report IDs, then the report's data.
class HidHandle {
public:
    virtual ~HidHandle() = default;
    // Sends a feature report; `report` is the report ID plus data.
    virtual bool SetFeature(std::span<const std::uint8_t> report) = 0;
    // Fetches the feature report whose ID is report[0] into `report`.
    virtual bool GetFeature(std::span<std::uint8_t> report) = 0;
    // Sends one output report.
    virtual bool Write(std::span<const std::uint8_t> report) = 0;
    // Waits up to timeoutMs for one input report. Returns the bytes stored,
    // 0 on time-out, -1 on error (for example the device is gone).
    virtual int Read(std::span<std::uint8_t> report, int timeoutMs) = 0;
    // A file descriptor that becomes readable when an input report waits, or
    // -1 when the handle has none.
    virtual int PollFd() const { return -1; }
};

enum class OpenMode : std::uint8_t { Read, Write, ReadWrite };

// Platform access to HID nodes: libudev and hidraw on Linux, or the simulated mouse.
class HidAccess {
public:
    virtual ~HidAccess() = default;
    virtual std::vector<HidInterfaceInfo> Enumerate() = 0;
    // Opens a node; nullptr with `error` set when it cannot be opened.
    virtual std::unique_ptr<HidHandle> Open(const std::string& path, OpenMode mode,
                                            std::string& error) = 0;
};

}  // namespace ornyx::device

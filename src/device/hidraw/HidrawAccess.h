#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/HidAccess.h"

namespace ornyx::device::hidraw {

// An open hidraw node. Buffers keep the layout the layers above use: the
// report ID byte first, 0 on a node without report IDs. Feature reports and
// writes already travel that way through the kernel; only reads differ (see
// Read).
class HidrawHandle final : public HidHandle {
public:
    // Takes over `fd`, an open hidraw node (or, in tests, anything that
    // delivers one report per read()). `nodeUsesReportIds` tells whether the
    // node's descriptor declares report IDs, which decides whether read()
    // gives the ID byte.
    HidrawHandle(int fd, bool nodeUsesReportIds);
    ~HidrawHandle() override;
    HidrawHandle(const HidrawHandle&) = delete;
    HidrawHandle& operator=(const HidrawHandle&) = delete;

    bool SetFeature(std::span<const std::uint8_t> report) override;
    bool GetFeature(std::span<std::uint8_t> report) override;
    bool Write(std::span<const std::uint8_t> report) override;
    // Waits at most timeoutMs (a negative value counts as 0) for one input
    // report. On a node without report IDs, 0 is put before the data read.
    // Bytes of `report` beyond those stored are cleared. -1 once the device
    // is gone.
    int Read(std::span<std::uint8_t> report, int timeoutMs) override;
    int PollFd() const override { return fd_; }

    bool nodeUsesReportIds() const { return usesReportIds_; }

private:
    int fd_;
    bool usesReportIds_;
    std::vector<std::uint8_t> scratch_;
};

// HID nodes of this system: the hidraw nodes udev knows, identified by their
// HID device, in the order of their node numbers.
class HidrawAccess final : public HidAccess {
public:
    // Entries without a device node or a readable identity are left out. A
    // node whose report descriptor cannot be read is listed with an empty one.
    std::vector<HidInterfaceInfo> Enumerate() override;
    // Error texts come from OpenErrorText; a path that is not a hidraw node
    // is refused.
    std::unique_ptr<HidHandle> Open(const std::string& path, OpenMode mode,
                                    std::string& error) override;
};

// The report descriptor of an open hidraw node, through HIDIOCGRDESC.
std::optional<std::vector<std::uint8_t>> ReadDescriptorFromNode(int fd);

// Whether a report descriptor declares report IDs, so that the node's reads
// start with the ID byte.
bool DescriptorUsesReportIds(std::span<const std::uint8_t> descriptor);

}  // namespace ornyx::device::hidraw

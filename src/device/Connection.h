#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/HidAccess.h"
#include "device/ReportDescriptor.h"

namespace ornyx::device {

inline constexpr std::uint16_t kMouseVendorId = 0x04D9;
inline constexpr std::uint16_t kMouseProductId = 0xA09F;

// Largest reports the transport's buffers take (report ID included).
inline constexpr std::uint16_t kMaxFeatureReportLength = 16;
inline constexpr std::uint16_t kMaxBlockReportLength = 40;

// A collection of the mouse as the last search saw it, for diagnostics.
struct SeenCollection {
    std::string path;
    TopLevelCollection collection;
    bool openedAsCommand = false;
    bool openedAsEvent = false;
};

// The open channels of the mouse. Held for the whole run by the process's
// context; only the thread that owns the command channel changes it.
struct Connection {
    std::string devicePath;  // node of the command channel after a successful open
    std::unique_ptr<HidHandle> command;
    // Shared with the event reader, which may still be waiting on an old
    // handle when a new connection replaces it.
    std::shared_ptr<HidHandle> eventRead;
    std::string eventPath;
    std::uint16_t featureReportLength = 0;
    std::uint16_t inputReportLength = 0;
    std::uint16_t outputReportLength = 0;
    std::uint16_t eventReportLength = 0;
    bool eventUsesReportIds = true;
    bool devicePresent = false;
    std::vector<SeenCollection> seen;  // the mouse's collections, in search order

    void Close() {
        command.reset();
        eventRead.reset();
        devicePresent = false;
    }
};

}  // namespace ornyx::device

#pragma once

#include "common/DebugLog.h"
#include "common/MessageSink.h"
#include "device/Connection.h"
#include "device/HidAccess.h"

namespace ornyx::device {

// Usage page and usage of the mouse's two vendor collections.
inline constexpr std::uint16_t kCommandUsage = 0xFF00;
inline constexpr std::uint16_t kEventUsage = 0xFF01;

// The top-level collections of a node: the one the system described, else
// those its report descriptor declares. Empty with `error` set when the
// descriptor is missing or unusable.
std::vector<TopLevelCollection> CollectionsOf(const HidInterfaceInfo& node, std::string& error);

// Finds the mouse (04D9:A09F) among the HID nodes and opens its command
// channel (usage page and usage 0xFF00, with a feature report) and its event
// channel (0xFF01, with an input report). Handles of an earlier connection
// are closed first. Returns true when the command channel is open; the
// device-present flag follows it.
//
// The search goes on past the command collection until the event collection
// is found too, so a mouse that lists them in either order reports events.
bool OpenDevice(HidAccess& hid, Connection& connection, MessageSink& messages, DebugLog& log);

}  // namespace ornyx::device

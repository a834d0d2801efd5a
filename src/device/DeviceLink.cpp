#include "device/DeviceLink.h"

#include <algorithm>

#include "device/Discovery.h"

namespace ornyx::device {

DeviceLink::DeviceLink(std::unique_ptr<HidAccess> access, Trace* trace, DebugLog& log)
    : access_(std::move(access)),
      traced_(trace != nullptr ? std::make_unique<TracingHidAccess>(*access_, *trace) : nullptr),
      log_(log),
      pacer_(trace),
      transport_(connection_, pacer_, log) {}

bool DeviceLink::Open(MessageSink& messages) {
    return OpenDevice(hid(), connection_, messages, log_);
}

}  // namespace ornyx::device

namespace ornyx::device {

bool DeviceLink::Vanished() {
    // Listing is no transfer to the mouse, so the platform access is asked directly.
    const std::vector<HidInterfaceInfo> nodes = access_->Enumerate();
    return std::none_of(nodes.begin(), nodes.end(), [this](const HidInterfaceInfo& node) {
        return node.path == connection_.devicePath;
    });
}

}  // namespace ornyx::device

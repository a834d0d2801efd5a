#include "device/DeviceLink.h"

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

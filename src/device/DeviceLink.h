#pragma once

#include <memory>

#include "common/DebugLog.h"
#include "common/MessageSink.h"
#include "device/Connection.h"
#include "device/DeviceState.h"
#include "device/HidAccess.h"
#include "device/Pacer.h"
#include "device/Trace.h"
#include "device/Transport.h"

namespace ornyx::device {

// The program's link to the mouse: the platform's HID access (traced when a
// trace is kept), the connection, the device state and the transport.
// One per process, owned by the application context.
class DeviceLink {
public:
    // `trace` may be null; it must outlive the link.
    DeviceLink(std::unique_ptr<HidAccess> access, Trace* trace, DebugLog& log);

    // Runs the search for the mouse; true when the command channel is open.
    bool Open(MessageSink& messages);

    bool present() const { return connection_.devicePresent; }
    // After a failed transfer: true when the command channel's node is no longer
    // listed, that is, the mouse was pulled out rather than failing while present.
    bool Vanished();
    HidAccess& hid() { return traced_ ? static_cast<HidAccess&>(*traced_) : *access_; }
    HidAccess& platformAccess() { return *access_; }
    Connection& connection() { return connection_; }
    DeviceState& state() { return state_; }
    Transport& transport() { return transport_; }
    DebugLog& log() { return log_; }

private:
    std::unique_ptr<HidAccess> access_;
    std::unique_ptr<TracingHidAccess> traced_;
    DebugLog& log_;
    Connection connection_;
    DeviceState state_;
    SteadyPacer pacer_;
    Transport transport_;
};

// A HID access that finds nothing: for builds or machines without a backend.
class NoHidAccess final : public HidAccess {
public:
    std::vector<HidInterfaceInfo> Enumerate() override { return {}; }
    std::unique_ptr<HidHandle> Open(const std::string&, OpenMode, std::string& error) override {
        error = "no HID access on this system";
        return nullptr;
    }
};

}  // namespace ornyx::device

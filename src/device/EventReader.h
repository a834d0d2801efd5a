#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <thread>

#include "common/DebugLog.h"
#include "device/HidAccess.h"
#include "device/WakeSignal.h"

namespace ornyx::device {

// The mouse's own event report: report ID 6, event code, unused, parameter.
struct DeviceEvent {
    std::uint8_t code = 0;
    std::uint8_t parameter = 0;
};

// Reads the event channel on a thread of its own for the whole life of the
// connection layer. It waits on the channel and on a wake-up signal raised
// for a new connection or for the stop; it never touches the command
// channel. Each event is handed to the callback on the reader thread, and the
// reader waits until the callback returns (the GUI hands it to its own thread
// synchronously), so at most one event is in flight.
class EventReader {
public:
    using Callback = std::function<void(const DeviceEvent&)>;

    EventReader(Callback callback, DebugLog& log);
    ~EventReader();  // stops and joins
    EventReader(const EventReader&) = delete;
    EventReader& operator=(const EventReader&) = delete;

    void Start();
    // Reads from `channel` from now on (nullptr: wait for a connection). The
    // old handle is released by the reader, so a read in progress on it ends
    // safely. `reportLength` is the event collection's input length.
    void SetChannel(std::shared_ptr<HidHandle> channel, std::uint16_t reportLength);
    // Ends the thread and waits for it; events not yet handed over are dropped.
    void Stop();
    // Asks the thread to end without waiting. A caller whose callback waits
    // for its own thread must release that wait before Stop() (common/HandOver
    // does: Cancel(), then Stop()); joining while the reader waits on the
    // joining thread would deadlock.
    void RequestStop();
    bool finished() const { return finished_; }
    bool running() const { return thread_.joinable(); }

    // Turns one input report into an event: nothing unless the report ID is 6
    // and the code is 5, 7, 8 or 9.
    static bool Decode(std::span<const std::uint8_t> report, DeviceEvent& event);

private:
    void Run();
    void Wake();

    Callback callback_;
    DebugLog& log_;
    WakeSignal wake_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> finished_{false};

    std::mutex mutex_;  // guards the channel and its generation
    std::shared_ptr<HidHandle> channel_;
    std::uint16_t reportLength_ = 0;
    std::uint64_t generation_ = 0;
};

}  // namespace ornyx::device

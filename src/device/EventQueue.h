#pragma once

#include <deque>
#include <mutex>

#include "device/DeviceMonitor.h"
#include "device/EventReader.h"
#include "device/WakeSignal.h"

namespace ornyx::device {

// Event reports handed over from the reader thread to a program's own loop,
// for a program without an event loop of its own (ornyxctl listen). The wait
// covers the queue and the device monitor at once; how it waits is this
// platform seam's business.
class EventQueue {
public:
    EventQueue();
    ~EventQueue();
    EventQueue(const EventQueue&) = delete;
    EventQueue& operator=(const EventQueue&) = delete;

    // From any thread.
    void Push(const DeviceEvent& e);
    // Everything queued so far, oldest first.
    std::deque<DeviceEvent> Take();

    struct Ready {
        bool events = false;
        bool monitor = false;
    };
    // Waits until an event is queued or `monitor` (may be null) has a change,
    // or `timeoutMs` has passed (negative: no limit). `ok` is false only when
    // the wait itself failed.
    Ready Wait(const DeviceMonitor* monitor, int timeoutMs, bool& ok);

private:
    WakeSignal queued_;
    std::mutex mutex_;
    std::deque<DeviceEvent> events_;
};

}  // namespace ornyx::device

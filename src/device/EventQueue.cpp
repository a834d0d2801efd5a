#include "device/EventQueue.h"

#include <array>
#include <utility>

namespace ornyx::device {

EventQueue::EventQueue() = default;

EventQueue::~EventQueue() = default;

void EventQueue::Push(const DeviceEvent& e) {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(e);
    queued_.Raise();
}

std::deque<DeviceEvent> EventQueue::Take() {
    std::lock_guard<std::mutex> lock(mutex_);
    queued_.Take();
    return std::exchange(events_, {});
}

EventQueue::Ready EventQueue::Wait(const DeviceMonitor* monitor, int timeoutMs, bool& ok) {
    const std::array<int, 2> handles = {queued_.handle(), monitor ? monitor->Fd() : -1};
    std::array<Readiness, 2> found{};
    ok = WaitForAny(handles, timeoutMs, found);
    return {found[0].ready, monitor != nullptr && found[1].ready};
}

}  // namespace ornyx::device

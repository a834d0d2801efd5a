#include "device/EventQueue.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <utility>

namespace ornyx::device {

EventQueue::EventQueue() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

EventQueue::~EventQueue() {
    if (fd_ >= 0) ::close(fd_);
}

void EventQueue::Push(const DeviceEvent& e) {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(e);
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(fd_, &one, sizeof one);
}

std::deque<DeviceEvent> EventQueue::Take() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::uint64_t v = 0;
    [[maybe_unused]] const ssize_t n = ::read(fd_, &v, sizeof v);
    return std::exchange(events_, {});
}

EventQueue::Ready EventQueue::Wait(const DeviceMonitor* monitor, int timeoutMs, bool& ok) {
    pollfd fds[2] = {{fd_, POLLIN, 0}, {monitor ? monitor->Fd() : -1, POLLIN, 0}};
    ok = true;
    if (::poll(fds, monitor ? 2 : 1, timeoutMs) < 0) {
        ok = errno == EINTR;
        return {};
    }
    return {(fds[0].revents & POLLIN) != 0, monitor != nullptr && (fds[1].revents & POLLIN) != 0};
}

}  // namespace ornyx::device

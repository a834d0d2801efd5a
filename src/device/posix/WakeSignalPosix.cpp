#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <stdexcept>

#include "device/WakeSignal.h"

namespace ornyx::device {

struct WakeSignal::State {
    int fd = -1;
};

WakeSignal::WakeSignal(Mode mode) : state_(new State) {
    const int semaphore = mode == Mode::Counter ? EFD_SEMAPHORE : 0;
    state_->fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK | semaphore);
    if (state_->fd < 0) {
        delete state_;
        throw std::runtime_error("eventfd failed");
    }
}

WakeSignal::~WakeSignal() {
    ::close(state_->fd);
    delete state_;
}

void WakeSignal::Raise() {
    const std::uint64_t one = 1;
    // A full counter still wakes the waiter, so a failed write needs no retry.
    [[maybe_unused]] const ssize_t n = ::write(state_->fd, &one, sizeof one);
}

void WakeSignal::Take() {
    std::uint64_t value = 0;
    [[maybe_unused]] const ssize_t n = ::read(state_->fd, &value, sizeof value);
}

int WakeSignal::handle() const {
    return state_->fd;
}

bool WaitForAny(std::span<const int> handles, int timeoutMs, std::span<Readiness> found) {
    std::array<pollfd, 4> fds{};
    if (handles.size() > fds.size() || found.size() < handles.size()) return false;
    for (std::size_t i = 0; i < handles.size(); ++i) {
        fds[i] = {handles[i], POLLIN, 0};  // poll skips a negative descriptor
        found[i] = {};
    }
    if (::poll(fds.data(), handles.size(), timeoutMs) < 0) return errno == EINTR;
    for (std::size_t i = 0; i < handles.size(); ++i) {
        found[i].ready = (fds[i].revents & POLLIN) != 0;
        found[i].hangup = (fds[i].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
    }
    return true;
}

}  // namespace ornyx::device

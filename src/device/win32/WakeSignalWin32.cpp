#include <windows.h>

#include <array>
#include <cstdint>
#include <mutex>
#include <stdexcept>

#include "device/WakeSignal.h"

namespace ornyx::device {

namespace {

HANDLE FromInt(int handle) {
    // Handles are sign-extended 32-bit values (see WakeSignal.h).
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(handle));
}

}  // namespace

// A manual-reset event that is set while the count is above zero: waiting on
// it never takes the signal, as poll() never reads an eventfd.
struct WakeSignal::State {
    HANDLE event = nullptr;
    Mode mode = Mode::Flag;
    std::mutex mutex;
    std::uint64_t count = 0;
};

WakeSignal::WakeSignal(Mode mode) : state_(new State) {
    state_->mode = mode;
    state_->event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (state_->event == nullptr) {
        delete state_;
        throw std::runtime_error("CreateEvent failed");
    }
}

WakeSignal::~WakeSignal() {
    ::CloseHandle(state_->event);
    delete state_;
}

void WakeSignal::Raise() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    ++state_->count;
    ::SetEvent(state_->event);
}

void WakeSignal::Take() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (state_->count == 0) return;
    state_->count = state_->mode == Mode::Counter ? state_->count - 1 : 0;
    if (state_->count == 0) ::ResetEvent(state_->event);
}

int WakeSignal::handle() const {
    return static_cast<int>(reinterpret_cast<std::intptr_t>(state_->event));
}

bool WaitForAny(std::span<const int> handles, int timeoutMs, std::span<Readiness> found) {
    std::array<HANDLE, 4> waited{};
    std::array<std::size_t, 4> index{};
    if (handles.size() > waited.size() || found.size() < handles.size()) return false;
    DWORD count = 0;
    for (std::size_t i = 0; i < handles.size(); ++i) {
        found[i] = {};
        if (handles[i] == -1) continue;
        waited[count] = FromInt(handles[i]);
        index[count] = i;
        ++count;
    }
    if (count == 0) return false;  // nothing could ever end the wait
    const DWORD limit = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
    const DWORD result = ::WaitForMultipleObjects(count, waited.data(), FALSE, limit);
    if (result == WAIT_TIMEOUT) return true;
    if (result >= WAIT_OBJECT_0 + count) return false;
    // The wait names only the first signalled handle; poll() tells of all.
    for (DWORD k = 0; k < count; ++k) {
        found[index[k]].ready =
            k == result - WAIT_OBJECT_0 || ::WaitForSingleObject(waited[k], 0) == WAIT_OBJECT_0;
    }
    return true;
}

}  // namespace ornyx::device

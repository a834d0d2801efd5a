#pragma once

#include <cstddef>
#include <span>

namespace ornyx::device {

// A signal one thread raises to end another's wait: an eventfd on Linux, an
// event object on Windows. handle() is what a wait watches: a file descriptor,
// or a HANDLE's value (Windows keeps handles within 32 bits, so an int holds
// one; -1 is never a handle we wait on). A raised signal stays raised until
// taken, whether or not anyone waits, so that no wake-up is lost.
class WakeSignal {
public:
    enum class Mode {
        Flag,     // one Take() clears any number of Raise()s
        Counter,  // each Take() undoes one Raise(): raised while one is pending
    };

    // Throws std::runtime_error when the system has no signal to give.
    explicit WakeSignal(Mode mode = Mode::Flag);
    ~WakeSignal();
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    void Raise();
    // Never blocks: a signal that is not raised stays as it is.
    void Take();
    int handle() const;

private:
    struct State;
    State* state_;
};

// What a wait found on one handle: something to read, the other end gone
// (a device unplugged), or both.
struct Readiness {
    bool ready = false;
    bool hangup = false;
};

// Waits until one of `handles` (from WakeSignal::handle(), HidHandle::PollFd(),
// DeviceMonitor::Fd(); -1 entries are left out) is ready, or `timeoutMs` has
// passed (negative: no limit), and says for each what it found. False only
// when the wait itself failed; an interrupted wait returns with nothing ready.
bool WaitForAny(std::span<const int> handles, int timeoutMs, std::span<Readiness> found);

}  // namespace ornyx::device

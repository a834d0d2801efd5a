#include "device/Pacer.h"

#include <chrono>
#include <thread>

#include "device/Trace.h"

namespace ornyx::device {

void SteadyPacer::Pause(int ms) {
    if (trace_ != nullptr) trace_->Sleep(ms);
    if (ms <= 0) return;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    // Sleep most of the way, then yield until the deadline: plain sleeps can
    // overshoot by tens of microseconds, and an apply makes about a hundred.
    const auto coarse = deadline - std::chrono::microseconds(200);
    if (Clock::now() < coarse) std::this_thread::sleep_until(coarse);
    while (Clock::now() < deadline) std::this_thread::yield();
}

}  // namespace ornyx::device

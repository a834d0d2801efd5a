#pragma once

#include <windows.h>

#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "device/DeviceMonitor.h"
#include "device/WakeSignal.h"

namespace ornyx::device::winhid {

// Plug and unplug of HID collections, as the system announces device
// interfaces of the HID class to a message-only window. The window lives on
// a thread of its own, so that announcements arrive whether or not the
// program runs a message loop; Fd() is a WakeSignal raised while changes wait.
class WinHidMonitor final : public DeviceMonitor {
public:
    // nullptr with `error` set when the window or the registration fails.
    static std::unique_ptr<WinHidMonitor> Create(std::string& error);
    ~WinHidMonitor() override;
    WinHidMonitor(const WinHidMonitor&) = delete;
    WinHidMonitor& operator=(const WinHidMonitor&) = delete;

    int Fd() const override { return signal_.handle(); }
    // Ids come from the interface path, which names them even after removal;
    // 0 and 0 for a path that does not.
    std::optional<DeviceChange> Receive() override;

    // Called on the window's thread.
    void Announce(DeviceChange change);

private:
    WinHidMonitor() = default;
    void Run(std::promise<std::string>& started);

    WakeSignal signal_{WakeSignal::Mode::Counter};
    std::mutex mutex_;
    std::deque<DeviceChange> changes_;
    std::thread thread_;
    HWND window_ = nullptr;
    DWORD threadId_ = 0;
};

}  // namespace ornyx::device::winhid

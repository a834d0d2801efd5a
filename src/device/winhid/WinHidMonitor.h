#pragma once

#include <windows.h>

#include <cfgmgr32.h>

#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "device/DeviceMonitor.h"
#include "device/WakeSignal.h"

namespace ornyx::device::winhid {

// cfgmgr32's notification calls, looked up when the monitor starts: Windows
// has them since version 8, Wine 8 not at all. Both or neither.
struct ConfigManagerCalls {
    using Register = CONFIGRET(WINAPI*)(PCM_NOTIFY_FILTER, PVOID, PCM_NOTIFY_CALLBACK,
                                        PHCMNOTIFICATION);
    using Unregister = CONFIGRET(WINAPI*)(HCMNOTIFICATION);
    Register registerNotification = nullptr;
    Unregister unregisterNotification = nullptr;

    // This system's, from cfgmgr32.dll in the system folder.
    static ConfigManagerCalls Resolve();
};

// Plug and unplug of HID collections, as the system announces device
// interfaces of the HID class: through cfgmgr32's notifications where they
// exist, else to a message-only window registered for them. The window lives
// on a thread of its own either way, so that announcements arrive whether or
// not the program runs a message loop; Fd() is a WakeSignal raised while
// changes wait.
class WinHidMonitor final : public DeviceMonitor {
public:
    enum class Source { ConfigManager, WindowMessages };

    // nullptr with `error` set when the window or the registration fails.
    static std::unique_ptr<WinHidMonitor> Create(std::string& error);
    // The same with the given calls; a failed registration through them falls
    // back to the window's.
    static std::unique_ptr<WinHidMonitor> Create(const ConfigManagerCalls& calls,
                                                 std::string& error);
    ~WinHidMonitor() override;
    WinHidMonitor(const WinHidMonitor&) = delete;
    WinHidMonitor& operator=(const WinHidMonitor&) = delete;

    int Fd() const override { return signal_.handle(); }
    // Ids come from the interface path, which names them even after removal;
    // 0 and 0 for a path that does not.
    std::optional<DeviceChange> Receive() override;
    Source source() const { return source_; }

    // Called on the window's thread or the system's notification thread.
    void Announce(bool added, std::wstring_view path);

private:
    WinHidMonitor() = default;
    void Run(std::promise<std::string>& started);
    // The registration through cfgmgr32, or false to use the window's.
    bool RegisterWithConfigManager();

    WakeSignal signal_{WakeSignal::Mode::Counter};
    std::mutex mutex_;
    std::deque<DeviceChange> changes_;
    std::thread thread_;
    HWND window_ = nullptr;
    DWORD threadId_ = 0;
    ConfigManagerCalls calls_;
    HCMNOTIFICATION notification_ = nullptr;
    Source source_ = Source::WindowMessages;
};

}  // namespace ornyx::device::winhid

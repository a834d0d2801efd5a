#include "device/winhid/WinHidMonitor.h"

// The HID and notification headers need windows.h's types first, and some
// SDKs declare hid.dll's functions without C linkage.
#include <dbt.h>
extern "C" {
#include <hidsdi.h>
}

#include <future>
#include <utility>

#include "device/winhid/WinHidSupport.h"

namespace ornyx::device::winhid {

namespace {

constexpr wchar_t kWindowClass[] = L"OrnyxHidMonitor";

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    } else if (message == WM_DEVICECHANGE &&
               (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE)) {
        auto* monitor =
            reinterpret_cast<WinHidMonitor*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
        if (monitor != nullptr && header != nullptr &&
            header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE) {
            const auto* item = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header);
            DeviceChange change;
            change.action = wParam == DBT_DEVICEARRIVAL ? DeviceChange::Action::Added
                                                        : DeviceChange::Action::Removed;
            change.devnode = Narrow(item->dbcc_name);
            if (const auto ids = IdsFromInterfacePath(change.devnode)) {
                change.vendorId = ids->vendorId;
                change.productId = ids->productId;
            }
            monitor->Announce(std::move(change));
        }
        return TRUE;
    } else if (message == WM_CLOSE) {
        ::DestroyWindow(window);
        return 0;
    } else if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

std::unique_ptr<WinHidMonitor> WinHidMonitor::Create(std::string& error) {
    std::unique_ptr<WinHidMonitor> monitor(new WinHidMonitor);
    std::promise<std::string> started;
    std::future<std::string> result = started.get_future();
    monitor->thread_ = std::thread([m = monitor.get(), &started] { m->Run(started); });
    error = result.get();
    if (!error.empty()) {
        monitor->thread_.join();
        return nullptr;
    }
    return monitor;
}

void WinHidMonitor::Run(std::promise<std::string>& started) {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClass;
    // A second monitor in the same process finds the class registered already.
    if (!::RegisterClassExW(&windowClass) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        started.set_value("cannot register the window class: " + SystemErrorText(::GetLastError()));
        return;
    }
    window_ = ::CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                instance, this);
    if (window_ == nullptr) {
        started.set_value("cannot create the message window: " + SystemErrorText(::GetLastError()));
        return;
    }
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof(filter);
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    ::HidD_GetHidGuid(&filter.dbcc_classguid);
    HDEVNOTIFY registration =
        ::RegisterDeviceNotificationW(window_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (registration == nullptr) {
        const DWORD code = ::GetLastError();
        ::DestroyWindow(window_);
        started.set_value("cannot register for device announcements: " + SystemErrorText(code));
        return;
    }
    threadId_ = ::GetCurrentThreadId();
    started.set_value({});  // `started` is gone from here on

    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    ::UnregisterDeviceNotification(registration);
}

WinHidMonitor::~WinHidMonitor() {
    if (!thread_.joinable()) return;
    // The window belongs to its thread: ask it to close there, which ends the loop.
    ::PostMessageW(window_, WM_CLOSE, 0, 0);
    thread_.join();
}

void WinHidMonitor::Announce(DeviceChange change) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        changes_.push_back(std::move(change));
    }
    signal_.Raise();
}

std::optional<DeviceChange> WinHidMonitor::Receive() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (changes_.empty()) return std::nullopt;
    DeviceChange change = std::move(changes_.front());
    changes_.pop_front();
    signal_.Take();
    return change;
}

}  // namespace ornyx::device::winhid

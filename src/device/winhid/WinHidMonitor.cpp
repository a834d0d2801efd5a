#include "device/winhid/WinHidMonitor.h"

// The HID and notification headers need windows.h's types first, and some
// SDKs declare hid.dll's functions without C linkage.
#include <dbt.h>
extern "C" {
#include <hidsdi.h>
}

#include <cstddef>
#include <cwchar>
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
            monitor->Announce(wParam == DBT_DEVICEARRIVAL, item->dbcc_name);
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

// Runs on a thread of the system's pool.
DWORD CALLBACK OnConfigManagerNotice(HCMNOTIFICATION, PVOID context, CM_NOTIFY_ACTION action,
                                     PCM_NOTIFY_EVENT_DATA data, DWORD size) {
    constexpr std::size_t kPathOffset =
        offsetof(CM_NOTIFY_EVENT_DATA, u.DeviceInterface.SymbolicLink);
    if ((action != CM_NOTIFY_ACTION_DEVICEINTERFACEARRIVAL &&
         action != CM_NOTIFY_ACTION_DEVICEINTERFACEREMOVAL) ||
        data == nullptr || size <= kPathOffset ||
        data->FilterType != CM_NOTIFY_FILTER_TYPE_DEVICEINTERFACE)
        return ERROR_SUCCESS;
    // The path ends at its terminator or at the end of what the system handed over.
    const wchar_t* path = data->u.DeviceInterface.SymbolicLink;
    const std::size_t room = (size - kPathOffset) / sizeof(wchar_t);
    static_cast<WinHidMonitor*>(context)->Announce(
        action == CM_NOTIFY_ACTION_DEVICEINTERFACEARRIVAL,
        std::wstring_view(path, ::wcsnlen(path, room)));
    return ERROR_SUCCESS;
}

}  // namespace

ConfigManagerCalls ConfigManagerCalls::Resolve() {
    ConfigManagerCalls calls;
    // Only the system folder's copy: never one planted beside the program.
    const HMODULE module = ::LoadLibraryExW(L"cfgmgr32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr) return calls;
    // Kept loaded: the calls are used for the whole run.
    const auto reg = ::GetProcAddress(module, "CM_Register_Notification");
    const auto unreg = ::GetProcAddress(module, "CM_Unregister_Notification");
    if (reg == nullptr || unreg == nullptr) return calls;
    calls.registerNotification = reinterpret_cast<Register>(reinterpret_cast<void*>(reg));
    calls.unregisterNotification = reinterpret_cast<Unregister>(reinterpret_cast<void*>(unreg));
    return calls;
}

std::unique_ptr<WinHidMonitor> WinHidMonitor::Create(std::string& error) {
    return Create(ConfigManagerCalls::Resolve(), error);
}

std::unique_ptr<WinHidMonitor> WinHidMonitor::Create(const ConfigManagerCalls& calls,
                                                     std::string& error) {
    std::unique_ptr<WinHidMonitor> monitor(new WinHidMonitor);
    monitor->calls_ = calls;
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

bool WinHidMonitor::RegisterWithConfigManager() {
    if (calls_.registerNotification == nullptr || calls_.unregisterNotification == nullptr)
        return false;
    CM_NOTIFY_FILTER filter{};
    filter.cbSize = sizeof(filter);
    filter.FilterType = CM_NOTIFY_FILTER_TYPE_DEVICEINTERFACE;
    ::HidD_GetHidGuid(&filter.u.DeviceInterface.ClassGuid);
    HCMNOTIFICATION handle = nullptr;
    if (calls_.registerNotification(&filter, this, OnConfigManagerNotice, &handle) != CR_SUCCESS ||
        handle == nullptr)
        return false;
    notification_ = handle;
    source_ = Source::ConfigManager;
    return true;
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
    HDEVNOTIFY registration = nullptr;
    if (!RegisterWithConfigManager()) {
        DEV_BROADCAST_DEVICEINTERFACE_W filter{};
        filter.dbcc_size = sizeof(filter);
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        ::HidD_GetHidGuid(&filter.dbcc_classguid);
        registration = ::RegisterDeviceNotificationW(window_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
        if (registration == nullptr) {
            const DWORD code = ::GetLastError();
            ::DestroyWindow(window_);
            started.set_value("cannot register for device announcements: " + SystemErrorText(code));
            return;
        }
    }
    threadId_ = ::GetCurrentThreadId();
    started.set_value({});  // `started` is gone from here on

    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    // Waits for a notification in progress, which uses this monitor.
    if (notification_ != nullptr) calls_.unregisterNotification(notification_);
    if (registration != nullptr) ::UnregisterDeviceNotification(registration);
}

WinHidMonitor::~WinHidMonitor() {
    if (!thread_.joinable()) return;
    // The window belongs to its thread: ask it to close there, which ends the loop.
    ::PostMessageW(window_, WM_CLOSE, 0, 0);
    thread_.join();
}

void WinHidMonitor::Announce(bool added, std::wstring_view path) {
    DeviceChange change;
    change.action = added ? DeviceChange::Action::Added : DeviceChange::Action::Removed;
    change.devnode = Narrow(path);
    if (const auto ids = IdsFromInterfacePath(change.devnode)) {
        change.vendorId = ids->vendorId;
        change.productId = ids->productId;
    }
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

#include "device/winhid/WinHidMonitor.h"

#include <dbt.h>
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/DebugLog.h"
#include "device/WakeSignal.h"
#include "device/winhid/WinHidBackend.h"
#include "device/winhid/WinHidSupport.h"

extern "C" {
#include <hidsdi.h>
}

namespace ornyx::device::winhid {
namespace {

using Clock = std::chrono::steady_clock;

bool Ready(const DeviceMonitor& monitor, int timeoutMs) {
    const std::array<int, 1> handles = {monitor.Fd()};
    std::array<Readiness, 1> found{};
    EXPECT_TRUE(WaitForAny(handles, timeoutMs, found));
    return found[0].ready;
}

// The system may announce its own devices meanwhile (Wine sets up its buses
// in a fresh prefix), so the tests take whatever waits as it comes.
std::vector<DeviceChange> Drain(DeviceMonitor& monitor) {
    std::vector<DeviceChange> changes;
    while (auto change = monitor.Receive()) changes.push_back(std::move(*change));
    return changes;
}

TEST(WinHidMonitorTest, StartsAndStopsPromptlyAgainAndAgain) {
    for (int round = 0; round < 3; ++round) {
        const auto start = Clock::now();
        StreamDebugLog log(stderr);
        {
            std::unique_ptr<DeviceMonitor> monitor = WinHidBackend().CreateMonitor(log);
            ASSERT_NE(monitor, nullptr) << "round " << round;
            EXPECT_NE(monitor->Fd(), -1);
            Ready(*monitor, 20);
            Drain(*monitor);
        }
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(3)) << "round " << round;
    }
}

// What the system sends the monitor's window: a broadcast of a HID interface.
void Broadcast(WPARAM what, const std::wstring& path) {
    const HWND window = ::FindWindowExW(HWND_MESSAGE, nullptr, L"OrnyxHidMonitor", nullptr);
    ASSERT_NE(window, nullptr);
    std::vector<std::uint8_t> buffer(sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) +
                                     (path.size() + 1) * sizeof(wchar_t));
    auto* item = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(buffer.data());
    item->dbcc_size = static_cast<DWORD>(buffer.size());
    item->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    std::memcpy(item->dbcc_name, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
    ::SendMessageW(window, WM_DEVICECHANGE, what, reinterpret_cast<LPARAM>(item));
}

TEST(WinHidMonitorTest, AnnouncedInterfacesArriveInOrderWithTheirIds) {
    std::string error;
    auto monitor = WinHidMonitor::Create(error);
    ASSERT_NE(monitor, nullptr) << error;
    const std::wstring mouse =
        LR"(\\?\HID#VID_04D9&PID_A09F&MI_01&Col02#8&1#{4d1e55b2-f16f-11cf-88cb-001111000030})";
    const std::wstring other = LR"(\\?\HID#{00001124-0000-1000-8000-00805f9b34fb}#9&2)";
    Broadcast(DBT_DEVICEARRIVAL, mouse);
    Broadcast(DBT_DEVICEREMOVECOMPLETE, other);
    // Others are not a plug or unplug and stay out.
    Broadcast(DBT_DEVICEQUERYREMOVE, mouse);

    EXPECT_TRUE(Ready(*monitor, 2000));
    std::vector<DeviceChange> ours;
    for (DeviceChange& change : Drain(*monitor)) {
        if (change.devnode == Narrow(mouse) || change.devnode == Narrow(other))
            ours.push_back(std::move(change));
    }
    // Nothing left: the signal is down again.
    EXPECT_FALSE(Ready(*monitor, 0));
    ASSERT_EQ(ours.size(), 2u);
    EXPECT_EQ(ours[0].action, DeviceChange::Action::Added);
    EXPECT_EQ(ours[0].devnode, Narrow(mouse));
    EXPECT_EQ(ours[0].vendorId, 0x04D9);
    EXPECT_EQ(ours[0].productId, 0xA09F);
    EXPECT_EQ(ours[1].action, DeviceChange::Action::Removed);
    EXPECT_EQ(ours[1].devnode, Narrow(other));
    EXPECT_EQ(ours[1].vendorId, 0);
    EXPECT_EQ(ours[1].productId, 0);
}

// Where cfgmgr32 has no notifications (Wine 8, Windows before 8), the
// window's registration is the one used; where it has them, they are.
TEST(WinHidMonitorTest, TheSystemsNotificationsWhereTheyExistElseTheWindows) {
    const HMODULE cfgmgr = ::LoadLibraryW(L"cfgmgr32.dll");
    const bool present =
        cfgmgr != nullptr && ::GetProcAddress(cfgmgr, "CM_Register_Notification") != nullptr;
    std::string error;
    auto monitor = WinHidMonitor::Create(error);
    ASSERT_NE(monitor, nullptr) << error;
    EXPECT_EQ(monitor->source(), present ? WinHidMonitor::Source::ConfigManager
                                         : WinHidMonitor::Source::WindowMessages);
    std::printf("cfgmgr32 notifications: %s\n", present ? "present" : "missing, window used");
}

// A stand-in for cfgmgr32's calls: what was registered, and whether it was undone.
struct FakeConfigManager {
    static inline CONFIGRET answer = CR_SUCCESS;
    static inline CM_NOTIFY_FILTER filter{};
    static inline PCM_NOTIFY_CALLBACK callback = nullptr;
    static inline PVOID context = nullptr;
    static inline int unregistered = 0;

    static CONFIGRET WINAPI Register(PCM_NOTIFY_FILTER f, PVOID c, PCM_NOTIFY_CALLBACK cb,
                                     PHCMNOTIFICATION handle) {
        filter = *f;
        context = c;
        callback = cb;
        *handle = answer == CR_SUCCESS ? reinterpret_cast<HCMNOTIFICATION>(&filter) : nullptr;
        return answer;
    }
    static CONFIGRET WINAPI Unregister(HCMNOTIFICATION handle) {
        if (handle == reinterpret_cast<HCMNOTIFICATION>(&filter)) ++unregistered;
        return CR_SUCCESS;
    }
    static ConfigManagerCalls Calls() { return {&Register, &Unregister}; }

    // What the system hands the callback for one interface.
    static DWORD Notify(CM_NOTIFY_ACTION action, const std::wstring& path, std::size_t chars) {
        const std::size_t offset = offsetof(CM_NOTIFY_EVENT_DATA, u.DeviceInterface.SymbolicLink);
        std::vector<std::uint8_t> buffer(offset + (path.size() + 1) * sizeof(wchar_t));
        auto* data = reinterpret_cast<CM_NOTIFY_EVENT_DATA*>(buffer.data());
        data->FilterType = CM_NOTIFY_FILTER_TYPE_DEVICEINTERFACE;
        std::memcpy(data->u.DeviceInterface.SymbolicLink, path.c_str(),
                    (path.size() + 1) * sizeof(wchar_t));
        return callback(nullptr, context, action, data,
                        static_cast<DWORD>(offset + chars * sizeof(wchar_t)));
    }
};

TEST(WinHidMonitorTest, ConfigManagerNotificationsArriveAsPlugAndUnplug) {
    FakeConfigManager::answer = CR_SUCCESS;
    FakeConfigManager::unregistered = 0;
    const std::wstring mouse =
        LR"(\\?\HID#VID_04D9&PID_A09F&MI_01&Col01#8&1#{4d1e55b2-f16f-11cf-88cb-001111000030})";
    {
        std::string error;
        auto monitor = WinHidMonitor::Create(FakeConfigManager::Calls(), error);
        ASSERT_NE(monitor, nullptr) << error;
        EXPECT_EQ(monitor->source(), WinHidMonitor::Source::ConfigManager);
        GUID hid;
        ::HidD_GetHidGuid(&hid);
        EXPECT_EQ(FakeConfigManager::filter.FilterType, CM_NOTIFY_FILTER_TYPE_DEVICEINTERFACE);
        EXPECT_TRUE(::IsEqualGUID(FakeConfigManager::filter.u.DeviceInterface.ClassGuid, hid));

        FakeConfigManager::Notify(CM_NOTIFY_ACTION_DEVICEINTERFACEARRIVAL, mouse, mouse.size() + 1);
        FakeConfigManager::Notify(CM_NOTIFY_ACTION_DEVICEQUERYREMOVE, mouse, mouse.size() + 1);
        // A path cut short by the size the system gives is taken only that far.
        FakeConfigManager::Notify(CM_NOTIFY_ACTION_DEVICEINTERFACEREMOVAL, mouse, 10);
        FakeConfigManager::Notify(CM_NOTIFY_ACTION_DEVICEINTERFACEREMOVAL, mouse, 0);

        EXPECT_TRUE(Ready(*monitor, 2000));
        const std::vector<DeviceChange> changes = Drain(*monitor);
        ASSERT_EQ(changes.size(), 2u);
        EXPECT_EQ(changes[0].action, DeviceChange::Action::Added);
        EXPECT_EQ(changes[0].devnode, Narrow(mouse));
        EXPECT_EQ(changes[0].vendorId, 0x04D9);
        EXPECT_EQ(changes[0].productId, 0xA09F);
        EXPECT_EQ(changes[1].action, DeviceChange::Action::Removed);
        EXPECT_EQ(changes[1].devnode, Narrow(mouse.substr(0, 10)));
        EXPECT_EQ(FakeConfigManager::unregistered, 0);
    }
    EXPECT_EQ(FakeConfigManager::unregistered, 1);
}

TEST(WinHidMonitorTest, AFailedConfigManagerRegistrationFallsBackToTheWindow) {
    FakeConfigManager::answer = CR_FAILURE;
    FakeConfigManager::unregistered = 0;
    {
        std::string error;
        auto monitor = WinHidMonitor::Create(FakeConfigManager::Calls(), error);
        ASSERT_NE(monitor, nullptr) << error;
        EXPECT_EQ(monitor->source(), WinHidMonitor::Source::WindowMessages);
        const std::wstring mouse = LR"(\\?\HID#VID_04D9&PID_A09F&MI_01&Col02#8&2#{x})";
        Broadcast(DBT_DEVICEARRIVAL, mouse);
        EXPECT_TRUE(Ready(*monitor, 2000));
        bool seen = false;
        for (const DeviceChange& change : Drain(*monitor)) seen |= change.devnode == Narrow(mouse);
        EXPECT_TRUE(seen);
    }
    EXPECT_EQ(FakeConfigManager::unregistered, 0);
}

}  // namespace
}  // namespace ornyx::device::winhid

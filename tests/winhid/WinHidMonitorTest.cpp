#include "device/winhid/WinHidMonitor.h"

#include <dbt.h>
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstring>
#include <vector>

#include "common/DebugLog.h"
#include "device/WakeSignal.h"
#include "device/winhid/WinHidBackend.h"
#include "device/winhid/WinHidSupport.h"

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

}  // namespace
}  // namespace ornyx::device::winhid

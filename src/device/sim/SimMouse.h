#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "device/DeviceMonitor.h"
#include "device/HidAccess.h"
#include "device/WakeSignal.h"
#include "device/firmware/FirmwareModel.h"

namespace ornyx::device::sim {

// Settings of the simulated mouse, from "--simulate=key=value,...".
enum class SimFault : std::uint8_t {
    None,
    Silent,  // the command channel answers nothing: reads time out, replies stay zero
    Bogus,   // replies name impossible banks and slots and announce 255-byte blocks
};

struct SimOptions {
    std::uint8_t sensorType = 0;
    // List the command node before the event node (the order some systems use).
    bool commandFirst = false;
    SimFault fault = SimFault::None;
    // Unplug by itself after this many command frames (0: never), as a mouse
    // pulled out in the middle of an apply.
    int vanishAfterFrames = 0;
    // Notifications the mouse has sent by the time it is opened (code and
    // parameter of each event report), as if its buttons had been pressed:
    // "events=7.2+5.1". Lets a program on the simulated mouse show them.
    std::vector<std::pair<std::uint8_t, std::uint8_t>> startEvents{};

    // nullopt with `error` set for an unknown key or a bad value.
    static std::optional<SimOptions> Parse(const std::string& text, std::string& error);
};

// The memory lives in the shared firmware model.
using FirmwareMemory = firmware::FirmwareMemory;

// A model of the mouse: it answers every command from its memory and keeps
// what is written. It starts from distinctive non-zero values, so that a
// read-modify-write that loses a byte shows. Thread-safe: the event channel
// is read from another thread.
class SimMouse {
public:
    explicit SimMouse(const SimOptions& options = {});

    static const std::vector<std::uint8_t>& PlainMouseDescriptor() {
        return firmware::PlainMouseDescriptor();
    }
    static const std::vector<std::uint8_t>& EventDescriptor() {
        return firmware::EventDescriptor();
    }
    static const std::vector<std::uint8_t>& CommandDescriptor() {
        return firmware::CommandDescriptor();
    }

    FirmwareMemory Memory() const;
    void SetMemory(const FirmwareMemory& memory);
    // Frames that failed their checksum and were ignored, as firmware does.
    int RejectedFrames() const;
    const SimOptions& options() const { return options_; }

    // Command channel (report ID 0, 8-byte feature, 32-byte input and output).
    // Each call names the generation of the handle; a stale one fails.
    bool SetFeature(std::uint64_t generation, std::span<const std::uint8_t> report);
    bool GetFeature(std::uint64_t generation, std::span<std::uint8_t> report);
    bool Write(std::uint64_t generation, std::span<const std::uint8_t> report);
    int ReadCommand(std::uint64_t generation, std::span<std::uint8_t> report);
    int ReadEvent(std::uint64_t generation, std::span<std::uint8_t> report, int timeoutMs);

    // Event channel (report ID 6). Injected reports are read in order; the
    // handle is ready while one waits.
    void InjectEvent(std::span<const std::uint8_t> report);
    int eventFd() const { return eventSignal_.handle(); }

    // Plugging. Each plug-in is a new generation: handles opened before an
    // unplug stay dead, as a real device's file descriptors do.
    void Unplug();
    void Replug();
    bool plugged() const;
    std::uint64_t generation() const;
    // The plug and unplug announcements, one per node, as the system gives them.
    int monitorFd() const { return monitorSignal_.handle(); }
    std::optional<DeviceChange> TakeDeviceChange();
    void SetFault(SimFault fault);

    ~SimMouse();
    SimMouse(const SimMouse&) = delete;
    SimMouse& operator=(const SimMouse&) = delete;

private:
    void UnplugLocked();

    void AnnounceLocked(DeviceChange::Action action);

    // Counters: ready while an event report, or an announcement, waits.
    WakeSignal eventSignal_{WakeSignal::Mode::Counter};
    WakeSignal monitorSignal_{WakeSignal::Mode::Counter};
    std::deque<DeviceChange> changes_;
    bool plugged_ = true;
    std::uint64_t generation_ = 1;
    int framesSeen_ = 0;

    SimOptions options_;
    mutable std::mutex mutex_;
    std::condition_variable eventArrived_;
    firmware::FirmwareModel model_;
    std::deque<std::vector<std::uint8_t>> eventInput_;
};

// The simulated mouse as HID nodes: a plain mouse (to be skipped), the event
// collection and the command collection, each on a node of its own.
class SimHidAccess final : public HidAccess {
public:
    explicit SimHidAccess(std::shared_ptr<SimMouse> mouse) : mouse_(std::move(mouse)) {}

    static constexpr const char* kMousePath = "sim:/dev/hidraw0";
    static constexpr const char* kEventPath = "sim:/dev/hidraw1";
    static constexpr const char* kCommandPath = "sim:/dev/hidraw2";

    std::vector<HidInterfaceInfo> Enumerate() override;
    std::unique_ptr<HidHandle> Open(const std::string& path, OpenMode mode,
                                    std::string& error) override;
    SimMouse& mouse() { return *mouse_; }

private:
    std::shared_ptr<SimMouse> mouse_;
};

// The simulator's plug and unplug announcements as a device monitor.
class SimDeviceMonitor final : public DeviceMonitor {
public:
    explicit SimDeviceMonitor(std::shared_ptr<SimMouse> mouse) : mouse_(std::move(mouse)) {}
    int Fd() const override { return mouse_->monitorFd(); }
    std::optional<DeviceChange> Receive() override { return mouse_->TakeDeviceChange(); }

private:
    std::shared_ptr<SimMouse> mouse_;
};

}  // namespace ornyx::device::sim

#include "device/sim/SimMouse.h"

#include <algorithm>
#include <chrono>

#include "common/Number.h"
#include "device/Commands.h"
#include "device/Connection.h"
#include "device/Transport.h"

namespace ornyx::device::sim {

namespace {

// At most this many: a start-up queue, not a recording.
constexpr std::size_t kMaxStartEvents = 64;

bool ParseEvents(const std::string& text, std::vector<std::pair<std::uint8_t, std::uint8_t>>& out) {
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t plus = text.find('+', start);
        const std::string item =
            text.substr(start, plus == std::string::npos ? std::string::npos : plus - start);
        start = plus == std::string::npos ? text.size() + 1 : plus + 1;
        const std::size_t dot = item.find('.');
        if (dot == std::string::npos) return false;
        const auto code = ParseUnsigned(item.substr(0, dot));
        const auto parameter = ParseUnsigned(item.substr(dot + 1));
        if (!code || !parameter || *code > 255 || *parameter > 255) return false;
        if (out.size() == kMaxStartEvents) return false;
        out.emplace_back(static_cast<std::uint8_t>(*code), static_cast<std::uint8_t>(*parameter));
    }
    return true;
}

}  // namespace

std::optional<SimOptions> SimOptions::Parse(const std::string& text, std::string& error) {
    SimOptions options;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = text.find(',', start);
        const std::string item =
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        start = comma == std::string::npos ? text.size() + 1 : comma + 1;
        if (item.empty()) continue;
        const std::size_t eq = item.find('=');
        const std::string key = item.substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : item.substr(eq + 1);
        if (key == "sensor") {
            const auto n = ParseUnsigned(value);
            if (!n || *n > 255) {
                error = "sensor= takes a number from 0 to 255, not \"" + value + "\"";
                return std::nullopt;
            }
            options.sensorType = static_cast<std::uint8_t>(*n);
        } else if (key == "order") {
            if (value == "command-first") {
                options.commandFirst = true;
            } else if (value == "event-first") {
                options.commandFirst = false;
            } else {
                error = "order= takes event-first or command-first, not \"" + value + "\"";
                return std::nullopt;
            }
        } else if (key == "fault") {
            if (value == "silent") {
                options.fault = SimFault::Silent;
            } else if (value == "bogus") {
                options.fault = SimFault::Bogus;
            } else if (value == "none") {
                options.fault = SimFault::None;
            } else {
                error = "fault= takes silent, bogus or none, not \"" + value + "\"";
                return std::nullopt;
            }
        } else if (key == "vanish") {
            const auto n = ParseUnsigned(value);
            if (!n || *n > 100000) {
                error = "vanish= takes a number of command frames, not \"" + value + "\"";
                return std::nullopt;
            }
            options.vanishAfterFrames = static_cast<int>(*n);
        } else if (key == "events") {
            if (!ParseEvents(value, options.startEvents)) {
                error =
                    "events= takes CODE.PARAMETER pairs joined by +, each number 0 to 255, "
                    "not \"" +
                    value + "\"";
                return std::nullopt;
            }
        } else {
            error = "unknown simulator option \"" + key +
                    "\" (known: sensor=N, order=event-first|command-first, fault=silent|bogus, "
                    "vanish=N, events=CODE.PARAMETER+...)";
            return std::nullopt;
        }
    }
    return options;
}

SimMouse::SimMouse(const SimOptions& options) : options_(options), model_(options.sensorType) {
    for (const auto& [code, parameter] : options_.startEvents) {
        const std::uint8_t report[] = {6, code, 0, parameter, 0, 0, 0, 0};
        InjectEvent(report);
    }
}

SimMouse::~SimMouse() = default;

void SimMouse::AnnounceLocked(DeviceChange::Action action) {
    // One announcement per node; on removal the system no longer knows the ids.
    for (const char* path :
         {SimHidAccess::kMousePath, SimHidAccess::kEventPath, SimHidAccess::kCommandPath}) {
        DeviceChange change;
        change.action = action;
        change.devnode = path;
        if (action == DeviceChange::Action::Added) {
            change.vendorId = kMouseVendorId;
            change.productId = kMouseProductId;
        }
        changes_.push_back(change);
        monitorSignal_.Raise();
    }
}

std::optional<DeviceChange> SimMouse::TakeDeviceChange() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (changes_.empty()) return std::nullopt;
    DeviceChange change = std::move(changes_.front());
    changes_.pop_front();
    monitorSignal_.Take();
    return change;
}

void SimMouse::Unplug() {
    std::lock_guard<std::mutex> lock(mutex_);
    UnplugLocked();
}

void SimMouse::UnplugLocked() {
    if (!plugged_) return;
    plugged_ = false;
    ++generation_;
    AnnounceLocked(DeviceChange::Action::Removed);
    model_.AbortTransfer();
    // Events of the old connection are gone with it.
    while (!eventInput_.empty()) {
        eventInput_.pop_front();
        eventSignal_.Take();
    }
    eventArrived_.notify_all();
}

void SimMouse::Replug() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (plugged_) return;
    plugged_ = true;
    ++generation_;
    framesSeen_ = 0;
    options_.vanishAfterFrames = 0;  // a replugged mouse stays
    AnnounceLocked(DeviceChange::Action::Added);
}

bool SimMouse::plugged() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return plugged_;
}

std::uint64_t SimMouse::generation() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return generation_;
}

void SimMouse::SetFault(SimFault fault) {
    std::lock_guard<std::mutex> lock(mutex_);
    options_.fault = fault;
}

FirmwareMemory SimMouse::Memory() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return model_.memory();
}

void SimMouse::SetMemory(const FirmwareMemory& memory) {
    std::lock_guard<std::mutex> lock(mutex_);
    model_.memory() = memory;
}

int SimMouse::RejectedFrames() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return model_.rejectedFrames();
}

bool SimMouse::SetFeature(std::uint64_t generation, std::span<const std::uint8_t> report) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!plugged_ || generation != generation_) return false;
    if (options_.vanishAfterFrames > 0 && ++framesSeen_ > options_.vanishAfterFrames) {
        UnplugLocked();
        return false;
    }
    model_.SetFeature(report, options_.fault == SimFault::Bogus);
    return true;
}

bool SimMouse::GetFeature(std::uint64_t generation, std::span<std::uint8_t> report) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!plugged_ || generation != generation_) return false;
    if (options_.fault == SimFault::Silent) return false;  // the buffer stays as cleared
    model_.GetFeature(report);
    return true;
}

bool SimMouse::Write(std::uint64_t generation, std::span<const std::uint8_t> report) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!plugged_ || generation != generation_) return false;
    model_.Write(report);
    return true;
}

int SimMouse::ReadCommand(std::uint64_t generation, std::span<std::uint8_t> report) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!plugged_ || generation != generation_) return -1;
    // Nothing else feeds the command channel: with no data waiting, the read
    // would only time out, so it ends at once.
    if (options_.fault == SimFault::Silent) return 0;
    const auto next = model_.TakeInput();
    if (!next) return 0;
    const std::size_t n = std::min(report.size(), next->size());
    std::copy_n(next->begin(), n, report.begin());
    return static_cast<int>(n);
}

void SimMouse::InjectEvent(std::span<const std::uint8_t> report) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!plugged_) return;  // nobody would hear it
        eventInput_.emplace_back(report.begin(), report.end());
        eventSignal_.Raise();
    }
    eventArrived_.notify_all();
}

int SimMouse::ReadEvent(std::uint64_t generation, std::span<std::uint8_t> report, int timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto stale = [&] { return !plugged_ || generation != generation_; };
    if (!eventArrived_.wait_for(lock, std::chrono::milliseconds(std::max(timeoutMs, 0)),
                                [&] { return stale() || !eventInput_.empty(); })) {
        return 0;
    }
    if (stale()) return -1;
    const auto next = std::move(eventInput_.front());
    eventInput_.pop_front();
    eventSignal_.Take();
    const std::size_t n = std::min(report.size(), next.size());
    std::copy_n(next.begin(), n, report.begin());
    return static_cast<int>(n);
}

namespace {

enum class Node { Mouse, Event, Command };

class SimHandle final : public HidHandle {
public:
    SimHandle(std::shared_ptr<SimMouse> mouse, Node node)
        : mouse_(std::move(mouse)), node_(node), generation_(mouse_->generation()) {}

    bool SetFeature(std::span<const std::uint8_t> report) override {
        return node_ == Node::Command && mouse_->SetFeature(generation_, report);
    }
    bool GetFeature(std::span<std::uint8_t> report) override {
        return node_ == Node::Command && mouse_->GetFeature(generation_, report);
    }
    bool Write(std::span<const std::uint8_t> report) override {
        return node_ == Node::Command && mouse_->Write(generation_, report);
    }
    int Read(std::span<std::uint8_t> report, int timeoutMs) override {
        switch (node_) {
            case Node::Command:
                return mouse_->ReadCommand(generation_, report);
            case Node::Event:
                return mouse_->ReadEvent(generation_, report, timeoutMs);
            case Node::Mouse:
                break;
        }
        return 0;
    }
    int PollFd() const override { return node_ == Node::Event ? mouse_->eventFd() : -1; }

private:
    std::shared_ptr<SimMouse> mouse_;
    Node node_;
    std::uint64_t generation_;
};

}  // namespace

std::vector<HidInterfaceInfo> SimHidAccess::Enumerate() {
    const auto info = [](const char* path, const std::vector<std::uint8_t>& descriptor) {
        return HidInterfaceInfo{path,   kMouseVendorId, kMouseProductId,
                                0x0100, descriptor,     std::nullopt};
    };
    std::vector<HidInterfaceInfo> nodes;
    if (!mouse_->plugged()) return nodes;
    nodes.push_back(info(kMousePath, SimMouse::PlainMouseDescriptor()));
    if (mouse_->options().commandFirst) {
        nodes.push_back(info(kCommandPath, SimMouse::CommandDescriptor()));
        nodes.push_back(info(kEventPath, SimMouse::EventDescriptor()));
    } else {
        nodes.push_back(info(kEventPath, SimMouse::EventDescriptor()));
        nodes.push_back(info(kCommandPath, SimMouse::CommandDescriptor()));
    }
    return nodes;
}

std::unique_ptr<HidHandle> SimHidAccess::Open(const std::string& path, OpenMode,
                                              std::string& error) {
    if (!mouse_->plugged()) {
        error = "no such device";
        return nullptr;
    }
    Node node;
    if (path == kMousePath) {
        node = Node::Mouse;
    } else if (path == kEventPath) {
        node = Node::Event;
    } else if (path == kCommandPath) {
        node = Node::Command;
    } else {
        error = "no such simulated node";
        return nullptr;
    }
    return std::make_unique<SimHandle>(mouse_, node);
}

}  // namespace ornyx::device::sim

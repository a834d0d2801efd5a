#include "device/sim/SimMouse.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>

#include "device/Commands.h"
#include "device/Connection.h"
#include "device/Transport.h"

namespace ornyx::device::sim {

namespace {

std::optional<unsigned> ParseNumber(const std::string& text) {
    unsigned value = 0;
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        begin += 2;
        base = 16;
    }
    auto [ptr, ec] = std::from_chars(begin, end, value, base);
    if (ec != std::errc() || ptr != end || begin == end) return std::nullopt;
    return value;
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
            const auto n = ParseNumber(value);
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
            const auto n = ParseNumber(value);
            if (!n || *n > 100000) {
                error = "vanish= takes a number of command frames, not \"" + value + "\"";
                return std::nullopt;
            }
            options.vanishAfterFrames = static_cast<int>(*n);
        } else {
            error = "unknown simulator option \"" + key +
                    "\" (known: sensor=N, order=event-first|command-first, fault=silent|bogus, "
                    "vanish=N)";
            return std::nullopt;
        }
    }
    return options;
}

const std::vector<std::uint8_t>& SimMouse::PlainMouseDescriptor() {
    static const std::vector<std::uint8_t> d = {
        0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19, 0x01,
        0x29, 0x05, 0x15, 0x00, 0x25, 0x01, 0x95, 0x05, 0x75, 0x01, 0x81, 0x02, 0x95, 0x01,
        0x75, 0x03, 0x81, 0x03, 0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x16, 0x01, 0x80, 0x26,
        0xFF, 0x7F, 0x75, 0x10, 0x95, 0x02, 0x81, 0x06, 0x09, 0x38, 0x15, 0x81, 0x25, 0x7F,
        0x75, 0x08, 0x95, 0x01, 0x81, 0x06, 0xC0, 0xC0};
    return d;
}

const std::vector<std::uint8_t>& SimMouse::EventDescriptor() {
    // Usage page and usage 0xFF01, report ID 6, seven data bytes.
    static const std::vector<std::uint8_t> d = {
        0x06, 0x01, 0xFF, 0x0A, 0x01, 0xFF, 0xA1, 0x01, 0x85, 0x06, 0x15, 0x00,
        0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x07, 0x09, 0x01, 0x81, 0x02, 0xC0};
    return d;
}

const std::vector<std::uint8_t>& SimMouse::CommandDescriptor() {
    // Usage page and usage 0xFF00, no report IDs: 32-byte input and output
    // reports, 8-byte feature report.
    static const std::vector<std::uint8_t> d = {
        0x06, 0x00, 0xFF, 0x0A, 0x00, 0xFF, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF,
        0x00, 0x75, 0x08, 0x95, 0x20, 0x09, 0x01, 0x81, 0x02, 0x95, 0x20, 0x09,
        0x02, 0x91, 0x02, 0x95, 0x08, 0x09, 0x03, 0xB1, 0x02, 0xC0};
    return d;
}

SimMouse::SimMouse(const SimOptions& options) : options_(options) {
    // A semaphore counter: readable while an event report waits.
    eventFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK | EFD_SEMAPHORE);
    monitorFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK | EFD_SEMAPHORE);
    FirmwareMemory& m = memory_;
    m.reportRate = 0x02;
    // Option2 starts without bit 6 so that the handshake's change shows.
    m.sensor = {options.sensorType, 0x5A, 0x21, 0x05};
    m.effect = {0x02, 0x04, 0x03};
    m.settingBanks = {{{0x31, 0x32, 0x33}, {0x41, 0x42, 0x43}}};
    for (std::size_t i = 0; i < 24; ++i) {
        m.dataBanks[0][i] = static_cast<std::uint8_t>(0xA0 + i);
        m.dataBanks[1][i] = static_cast<std::uint8_t>(0xC0 + i);
    }
    m.dpiLevelCount = 4;
    m.dpiTable = {0x02, 0x04, 0x06, 0x08, 0x80, 0x80, 0x80, 0x80};
    for (std::size_t k = 0; k < 4; ++k) {
        for (std::size_t i = 0; i < 64; ++i) {
            m.keyMatrices[k][i] = static_cast<std::uint8_t>(0x10 * (k + 1) + (i % 16));
        }
    }
    for (std::size_t s = 0; s < 12; ++s) {
        for (std::size_t i = 0; i < 128; ++i) {
            m.macroSlots[s][i] = static_cast<std::uint8_t>((s + 1) * 16 + (i & 0x0F));
        }
    }
}

SimMouse::~SimMouse() {
    if (eventFd_ >= 0) ::close(eventFd_);
    if (monitorFd_ >= 0) ::close(monitorFd_);
}

void SimMouse::AnnounceLocked(DeviceChange::Action action) {
    // One announcement per node; on removal the system no longer knows the ids.
    for (const char* path : {SimHidAccess::kMousePath, SimHidAccess::kEventPath,
                             SimHidAccess::kCommandPath}) {
        DeviceChange change;
        change.action = action;
        change.devnode = path;
        if (action == DeviceChange::Action::Added) {
            change.vendorId = kMouseVendorId;
            change.productId = kMouseProductId;
        }
        changes_.push_back(change);
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(monitorFd_, &one, sizeof one);
    }
}

std::optional<DeviceChange> SimMouse::TakeDeviceChange() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (changes_.empty()) return std::nullopt;
    DeviceChange change = std::move(changes_.front());
    changes_.pop_front();
    std::uint64_t v = 0;
    [[maybe_unused]] const ssize_t n = ::read(monitorFd_, &v, sizeof v);
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
    commandInput_.clear();
    pendingCode_ = 0;
    // Events of the old connection are gone with it.
    while (!eventInput_.empty()) {
        eventInput_.pop_front();
        std::uint64_t v = 0;
        [[maybe_unused]] const ssize_t n = ::read(eventFd_, &v, sizeof v);
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
    return memory_;
}

void SimMouse::SetMemory(const FirmwareMemory& memory) {
    std::lock_guard<std::mutex> lock(mutex_);
    memory_ = memory;
}

int SimMouse::RejectedFrames() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return rejectedFrames_;
}

void SimMouse::SetReply(std::array<std::uint8_t, 8> reply) {
    Frame f{};
    std::copy(reply.begin(), reply.end(), f.begin());
    f[7] = FrameChecksum(f);
    std::copy(f.begin(), f.end(), reply_.begin());
}

void SimMouse::QueueBlock(std::span<const std::uint8_t> data) {
    commandInput_.clear();
    for (std::size_t off = 0; off < data.size(); off += 32) {
        std::array<std::uint8_t, 33> report{};
        std::copy_n(data.begin() + static_cast<long>(off), std::min<std::size_t>(32, data.size() - off),
                    report.begin() + 1);
        commandInput_.push_back(report);
    }
}

bool SimMouse::SetFeature(std::uint64_t generation, std::span<const std::uint8_t> report) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!plugged_ || generation != generation_) return false;
    if (options_.vanishAfterFrames > 0 && ++framesSeen_ > options_.vanishAfterFrames) {
        UnplugLocked();
        return false;
    }
    if (report.size() < 9 || report[0] != 0) return true;
    std::array<std::uint8_t, 8> frame{};
    std::copy_n(report.begin() + 1, 8, frame.begin());
    unsigned sum = 0;
    for (std::uint8_t b : frame) sum += b;
    if ((sum & 0xFF) != 0xFF) {
        ++rejectedFrames_;
        return true;
    }
    HandleFrame(frame);
    return true;
}

void SimMouse::HandleFrame(const std::array<std::uint8_t, 8>& f) {
    FirmwareMemory& m = memory_;
    pendingCode_ = 0;
    if (options_.fault == SimFault::Bogus && (f[0] & 0x80) != 0) {
        // Impossible banks and slots, blocks longer than any buffer.
        SetReply({f[0], 0xEE, 0xFF, 0xEE, 0xEE, 0xEE, 0xEE, 0});
        std::vector<std::uint8_t> junk(8 * 32, 0xEE);
        QueueBlock(junk);
        return;
    }
    switch (f[0]) {
        case kWriteReportRate:
            m.reportRate = f[1];
            break;
        case kWriteSensorSettings:
            m.sensor = {f[1], f[2], f[3], f[4]};
            break;
        case kReadSensorSettings:
            SetReply({f[0], m.sensor[0], m.sensor[1], m.sensor[2], m.sensor[3], 0, 0, 0});
            break;
        case kWriteSettingBank:
            if (f[1] < 2) m.settingBanks[f[1]] = {f[2], f[3], f[4]};
            break;
        case kReadSettingBank:
            if (f[1] < 2) {
                const auto& b = m.settingBanks[f[1]];
                SetReply({f[0], f[1], b[0], b[1], b[2], 0, 0, 0});
            }
            break;
        case kWriteEffectSettings:
            m.effect = {f[1], f[2], f[3]};
            break;
        case kReadEffectSettings:
            SetReply({f[0], m.effect[0], m.effect[1], m.effect[2], 0, 0, 0, 0});
            break;
        case kReadDataBank:
            if (f[1] < 2) {
                SetReply({f[0], f[1], 24, 0, 0, 0, 0, 0});
                QueueBlock(m.dataBanks[f[1]]);
            }
            break;
        case kReadMacroSlot:
            if (f[1] >= 1 && f[1] <= 12) {
                SetReply({f[0], f[1], 128, 0, 0, 0, 0, 0});
                QueueBlock(m.macroSlots[f[1] - 1]);
            }
            break;
        case kWriteDataBank:
        case kWriteDpiTable:
        case kWriteKeyMatrix:
        case kWriteMacroSlot:
            pendingCode_ = f[0];
            pendingTarget_ = f[1];
            pendingLength_ = f[2];
            pendingBlock_.clear();
            if (pendingLength_ == 0) FinishBlock();
            break;
        default:
            break;  // unknown commands are ignored, as firmware does
    }
}

bool SimMouse::GetFeature(std::uint64_t generation, std::span<std::uint8_t> report) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!plugged_ || generation != generation_) return false;
    if (options_.fault == SimFault::Silent) return false;  // the buffer stays as cleared
    std::fill(report.begin(), report.end(), 0);
    if (report.size() < 9) return true;
    std::copy(reply_.begin(), reply_.end(), report.begin() + 1);
    return true;
}

bool SimMouse::Write(std::uint64_t generation, std::span<const std::uint8_t> report) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!plugged_ || generation != generation_) return false;
    if (pendingCode_ == 0 || report.size() < 2) return true;
    pendingBlock_.insert(pendingBlock_.end(), report.begin() + 1,
                         report.begin() + static_cast<long>(std::min<std::size_t>(33, report.size())));
    if (pendingBlock_.size() >= pendingLength_) FinishBlock();
    return true;
}

void SimMouse::FinishBlock() {
    FirmwareMemory& m = memory_;
    pendingBlock_.resize(std::max<std::size_t>(pendingBlock_.size(), 128), 0);
    const auto* data = pendingBlock_.data();
    const std::uint8_t target = pendingTarget_;
    switch (pendingCode_) {
        case kWriteDataBank:
            if (target < 2) std::copy_n(data, std::min<std::size_t>(pendingLength_, 24), m.dataBanks[target].begin());
            break;
        case kWriteDpiTable:
            m.dpiLevelCount = target;
            std::copy_n(data, std::min<std::size_t>(pendingLength_, 8), m.dpiTable.begin());
            break;
        case kWriteKeyMatrix:
            if (target >= 1 && target <= 4) {
                std::copy_n(data, std::min<std::size_t>(pendingLength_, 64), m.keyMatrices[target - 1].begin());
            }
            break;
        case kWriteMacroSlot:
            if (target >= 1 && target <= 12) {
                std::copy_n(data, std::min<std::size_t>(pendingLength_, 128), m.macroSlots[target - 1].begin());
            }
            break;
        default:
            break;
    }
    pendingCode_ = 0;
    pendingBlock_.clear();
}

int SimMouse::ReadCommand(std::uint64_t generation, std::span<std::uint8_t> report) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!plugged_ || generation != generation_) return -1;
    // Nothing else feeds the command channel: with no data waiting, the read
    // would only time out, so it ends at once.
    if (commandInput_.empty() || options_.fault == SimFault::Silent) return 0;
    const auto& next = commandInput_.front();
    const std::size_t n = std::min(report.size(), next.size());
    std::copy_n(next.begin(), n, report.begin());
    commandInput_.pop_front();
    return static_cast<int>(n);
}

void SimMouse::InjectEvent(std::span<const std::uint8_t> report) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!plugged_) return;  // nobody would hear it
        eventInput_.emplace_back(report.begin(), report.end());
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(eventFd_, &one, sizeof one);
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
    std::uint64_t v = 0;
    [[maybe_unused]] const ssize_t r = ::read(eventFd_, &v, sizeof v);
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
    int PollFd() const override { return node_ == Node::Event ? mouse_->EventFd() : -1; }

private:
    std::shared_ptr<SimMouse> mouse_;
    Node node_;
    std::uint64_t generation_;
};

}  // namespace

std::vector<HidInterfaceInfo> SimHidAccess::Enumerate() {
    const auto info = [](const char* path, const std::vector<std::uint8_t>& descriptor) {
        return HidInterfaceInfo{path, kMouseVendorId, kMouseProductId, 0x0100, descriptor};
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

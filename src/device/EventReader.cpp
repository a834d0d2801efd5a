#include "device/EventReader.h"

#include <algorithm>
#include <array>

namespace ornyx::device {

namespace {
constexpr std::uint8_t kEventReportId = 6;
constexpr std::size_t kReportBuffer = 40;
}  // namespace

EventReader::EventReader(Callback callback, DebugLog& log)
    : callback_(std::move(callback)), log_(log) {}

EventReader::~EventReader() {
    Stop();
}

void EventReader::Start() {
    if (thread_.joinable()) return;
    stopping_ = false;
    finished_ = false;
    thread_ = std::thread([this] {
        Run();
        finished_ = true;
    });
}

void EventReader::Wake() {
    wake_.Raise();
}

void EventReader::SetChannel(std::shared_ptr<HidHandle> channel, std::uint16_t reportLength) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        channel_ = std::move(channel);
        reportLength_ = reportLength;
        ++generation_;
    }
    // Set after the new channel is in place: the reader cannot miss it.
    Wake();
}

void EventReader::RequestStop() {
    stopping_ = true;
    Wake();
}

void EventReader::Stop() {
    if (!thread_.joinable()) return;
    RequestStop();
    thread_.join();
}

bool EventReader::Decode(std::span<const std::uint8_t> report, DeviceEvent& event) {
    if (report.size() < 4 || report[0] != kEventReportId) return false;
    switch (report[1]) {
        case 5:
        case 7:
        case 8:
        case 9:
            event = {report[1], report[3]};
            return true;
        default:
            return false;
    }
}

void EventReader::Run() {
    std::shared_ptr<HidHandle> channel;
    std::uint16_t length = 0;
    std::uint64_t seen = ~std::uint64_t{0};
    bool channelDead = false;

    while (!stopping_) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (generation_ != seen) {
                channel = channel_;
                length = reportLength_;
                seen = generation_;
                channelDead = false;
            }
        }
        const int channelFd = (channel && !channelDead) ? channel->PollFd() : -1;
        const std::array<int, 2> handles = {wake_.handle(), channelFd};
        std::array<Readiness, 2> found{};
        if (!WaitForAny(handles, -1, found)) {
            log_.Write("event reader: the wait failed, stopping");
            return;
        }
        if (found[0].ready) {
            wake_.Take();
            continue;  // look at the channel and the stop flag again
        }
        if (found[1].hangup) {
            channelDead = true;  // unplugged: wait for the next connection
            continue;
        }
        if (found[1].ready) {
            std::array<std::uint8_t, kReportBuffer> report{};
            const std::size_t want =
                std::min<std::size_t>(std::max<std::uint16_t>(length, 4), report.size());
            const int got = channel->Read(std::span<std::uint8_t>(report.data(), want), 0);
            if (got < 0) {
                // The mouse is gone: wait for a new connection instead of spinning.
                channelDead = true;
                continue;
            }
            DeviceEvent event;
            if (got > 0 &&
                Decode(std::span<const std::uint8_t>(report.data(), static_cast<std::size_t>(got)),
                       event)) {
                if (!stopping_) callback_(event);
            }
        }
    }
}

}  // namespace ornyx::device

// Stopping the event reader while it hands events to an owner thread that is
// not serving them (the window ending): the stop must neither wait for the
// owner nor let a queued event run afterwards.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "common/HandOver.h"
#include "device/sim/SimMouse.h"
#include "session/MouseConnection.h"
#include "support/DeviceFixture.h"

namespace ornyx::session {
namespace {

using namespace device;
using namespace std::chrono_literals;

// The owner thread's queue, served only when the test says so, as a GUI
// thread busy with its own work would.
class OwnerQueue {
public:
    void Post(HandOver::Task task) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            tasks_.push_back(std::move(task));
        }
        changed_.notify_all();
    }
    // Runs what is queued until `until` holds; false after a generous time-out.
    template <class Until>
    bool Serve(Until until) {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (!until()) {
            HandOver::Task task;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                if (!changed_.wait_until(lock, deadline, [&] { return !tasks_.empty(); }))
                    return false;
                task = std::move(tasks_.front());
                tasks_.pop_front();
            }
            task();
        }
        return true;
    }
    bool WaitForQueued() {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, 5s, [&] { return !tasks_.empty(); });
    }
    // Runs everything still queued, as the event loop would later.
    void Drain() {
        std::deque<HandOver::Task> left;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            left.swap(tasks_);
        }
        for (auto& task : left) task();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<HandOver::Task> tasks_;
};

// Ends the test run if a stop hangs, instead of leaving CI waiting.
class Watchdog {
public:
    explicit Watchdog(const char* what)
        : thread_([this, what] {
              std::unique_lock<std::mutex> lock(mutex_);
              if (!done_.wait_for(lock, 10s, [&] { return finished_; })) {
                  std::fprintf(stderr, "%s: still waiting after 10 s (deadlock)\n", what);
                  std::abort();
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            finished_ = true;
        }
        done_.notify_all();
        thread_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread thread_;
};

struct Rig {
    Rig()
        : mouse(std::make_shared<sim::SimMouse>()),
          link(std::make_unique<sim::SimHidAccess>(mouse), &trace, log),
          handOver([this](HandOver::Task task) { owner.Post(std::move(task)); }),
          connection(link, messages, [this](const DeviceEvent& e) {
              handOver.Run([this, e] {
                  seen.push_back(e.parameter);  // on the owner thread only
                  if (onEvent) onEvent();
              });
          }) {}

    // The window's stop: release the hand-over, then stop and join.
    void Stop() {
        handOver.Cancel();
        connection.StopReader();
    }

    std::shared_ptr<sim::SimMouse> mouse;
    test::MemoryTrace trace;
    NullDebugLog log;
    RecordingMessageSink messages;
    DeviceLink link;
    OwnerQueue owner;
    HandOver handOver;
    std::vector<std::uint8_t> seen;
    std::function<void()> onEvent;
    MouseConnection connection;
};

TEST(EventReaderTest, StopsAtOnceWhileAnEventWaitsForTheOwner) {
    Rig rig;
    ASSERT_TRUE(rig.connection.Open());
    // A steady stream of events while the owner serves some and then stops.
    std::atomic<bool> injecting{true};
    std::thread injector([&] {
        for (std::uint8_t n = 1; injecting; n = static_cast<std::uint8_t>(n % 250 + 1)) {
            const std::uint8_t report[] = {6, 5, 0, n, 0, 0, 0, 0};
            rig.mouse->InjectEvent(report);
            std::this_thread::sleep_for(100us);
        }
    });
    struct Join {
        std::atomic<bool>& flag;
        std::thread& thread;
        ~Join() {
            flag = false;
            thread.join();
        }
    } join{injecting, injector};
    ASSERT_TRUE(rig.owner.Serve([&] { return rig.seen.size() >= 20; }));
    // The reader is now waiting for the owner with the next event queued.
    ASSERT_TRUE(rig.owner.WaitForQueued());
    {
        Watchdog watchdog("stopping the reader during a hand-over");
        const auto start = std::chrono::steady_clock::now();
        rig.Stop();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    }
    EXPECT_FALSE(rig.connection.reader().running());

    // Delivered in order, each once; what was still queued does nothing now.
    const std::size_t delivered = rig.seen.size();
    for (std::size_t i = 1; i < delivered; ++i) {
        EXPECT_EQ(rig.seen[i], rig.seen[i - 1] % 250 + 1) << "event " << i;
    }
    rig.owner.Drain();
    EXPECT_EQ(rig.seen.size(), delivered);
    EXPECT_FALSE(rig.handOver.Run([] { ADD_FAILURE() << "ran after the stop"; }));
}

// An event the owner is showing may itself end the program (a note whose
// dialog offers Exit): the stop then runs inside the hand-over it releases.
TEST(EventReaderTest, AnEventHandlerCanStopTheReader) {
    Rig rig;
    ASSERT_TRUE(rig.connection.Open());
    bool stopped = false;
    rig.onEvent = [&] {
        Watchdog watchdog("stopping the reader from inside a hand-over");
        rig.Stop();
        stopped = true;
    };
    const std::uint8_t report[] = {6, 5, 0, 2, 0, 0, 0, 0};
    rig.mouse->InjectEvent(report);
    rig.mouse->InjectEvent(report);
    ASSERT_TRUE(rig.owner.Serve([&] { return stopped; }));
    EXPECT_FALSE(rig.connection.reader().running());
    rig.owner.Drain();
    EXPECT_EQ(rig.seen.size(), 1u);
}

}  // namespace
}  // namespace ornyx::session

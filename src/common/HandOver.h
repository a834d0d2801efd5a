#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace ornyx {

// Hands work from a worker thread (the event reader) to an owner thread (the
// GUI's) and waits until it has run there, so at most one piece is in flight
// and none is lost while both run.
//
// The owner stops the worker with Cancel() followed by the worker's own stop
// and join: Cancel() releases a worker waiting in Run() at once and turns
// later hand-overs into no-ops, so the owner never has to serve its queue
// while it waits for the worker, even from inside a task it is running. A
// task still queued when Cancel() comes does nothing when it comes up.
class HandOver {
public:
    using Task = std::function<void()>;
    // Queues a task to the owner thread; it must not run it before returning.
    using Poster = std::function<void(Task)>;

    explicit HandOver(Poster post);
    ~HandOver();  // cancels
    HandOver(const HandOver&) = delete;
    HandOver& operator=(const HandOver&) = delete;

    // On the worker: runs `task` on the owner thread and waits until it has
    // returned. False when cancelled first (the task then does not run, or
    // runs on without the worker waiting for it).
    bool Run(Task task);
    // On any thread; for good.
    void Cancel();
    bool cancelled() const;

private:
    struct State {
        mutable std::mutex mutex;
        std::condition_variable changed;
        bool cancelled = false;
    };

    Poster post_;
    std::shared_ptr<State> state_;  // shared with queued tasks, which may outlive this
};

}  // namespace ornyx

#include "common/HandOver.h"

namespace ornyx {

HandOver::HandOver(Poster post) : post_(std::move(post)), state_(std::make_shared<State>()) {}

HandOver::~HandOver() {
    Cancel();
}

bool HandOver::Run(Task task) {
    const std::shared_ptr<State> state = state_;
    // Set by the task on the owner thread, read by this one; guarded by the state's mutex.
    const auto done = std::make_shared<bool>(false);
    {
        std::lock_guard<std::mutex> lock(state->mutex);
        if (state->cancelled) return false;
    }
    post_([state, done, task = std::move(task)] {
        {
            std::lock_guard<std::mutex> lock(state->mutex);
            if (state->cancelled) return;
        }
        task();
        {
            std::lock_guard<std::mutex> lock(state->mutex);
            *done = true;
        }
        state->changed.notify_all();
    });
    std::unique_lock<std::mutex> lock(state->mutex);
    state->changed.wait(lock, [&] { return *done || state->cancelled; });
    return *done;
}

void HandOver::Cancel() {
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->cancelled = true;
    }
    state_->changed.notify_all();
}

bool HandOver::cancelled() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->cancelled;
}

}  // namespace ornyx

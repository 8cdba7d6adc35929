#include "app/worker_tracker.h"

#include <system_error>
#include <thread>

namespace qn {
namespace {

constexpr std::chrono::milliseconds kPumpSlice{20};

}  // namespace

WorkerTracker::WorkerTracker() : state_(std::make_shared<State>()) {}

WorkerTracker::~WorkerTracker() = default;

bool WorkerTracker::Start(std::function<void()> work) {
    {
        std::lock_guard<std::mutex> guard(state_->lock);
        ++state_->running;
    }
    try {
        std::thread([state = state_, work = std::move(work)] {
            work();
            std::lock_guard<std::mutex> guard(state->lock);
            --state->running;
            state->idle.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        std::lock_guard<std::mutex> guard(state_->lock);
        --state_->running;
        return false;
    }
    return true;
}

bool WorkerTracker::WaitIdle(std::chrono::milliseconds timeout, const std::function<void()>& pump) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock<std::mutex> guard(state_->lock);
    while (state_->running > 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        state_->idle.wait_for(guard, kPumpSlice, [&] { return state_->running == 0; });
        if (state_->running > 0 && pump) {
            guard.unlock();
            pump();
            guard.lock();
        }
    }
    return true;
}

int WorkerTracker::Running() const {
    std::lock_guard<std::mutex> guard(state_->lock);
    return state_->running;
}

}  // namespace qn

#include "app/worker_tracker.h"

#include <system_error>
#include <thread>

namespace qn {
namespace {

constexpr std::chrono::milliseconds kPumpSlice{20};

}  // namespace

WorkerTracker::WorkerTracker() : state_(std::make_shared<State>()) {}

WorkerTracker::~WorkerTracker() = default;

bool WorkerTracker::Start(WorkerFootprint footprint, std::function<void()> work) {
    int id = 0;
    {
        std::lock_guard<std::mutex> guard(state_->lock);
        ++state_->running;
        id = state_->nextId++;
        state_->footprints.emplace(id, std::move(footprint));
    }
    try {
        std::thread([state = state_, id, work = std::move(work)] {
            work();
            std::lock_guard<std::mutex> guard(state->lock);
            --state->running;
            state->footprints.erase(id);
            state->idle.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        std::lock_guard<std::mutex> guard(state_->lock);
        --state_->running;
        state_->footprints.erase(id);
        return false;
    }
    return true;
}

WorkerFootprint WorkerTracker::InUse() const {
    std::lock_guard<std::mutex> guard(state_->lock);
    WorkerFootprint all;
    for (const auto& [id, footprint] : state_->footprints) {
        all.Add(footprint);
    }
    return all;
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

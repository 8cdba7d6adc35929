#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "app/worker_footprint.h"

namespace qn {

// Starts the workflows' worker threads and knows which still run, so the main window can let
// them finish before it removes the letters and the work directory they use. The threads are
// never joined by the UI thread while the window lives; at shutdown it waits for them here.
class WorkerTracker {
public:
    WorkerTracker();
    ~WorkerTracker();
    WorkerTracker(const WorkerTracker&) = delete;
    WorkerTracker& operator=(const WorkerTracker&) = delete;

    // Runs work on a new thread of its own; false when no thread could be made. footprint is
    // what the work uses until it ends.
    bool Start(WorkerFootprint footprint, std::function<void()> work);

    // Waits until no worker runs, at most timeout; calls pump between short waits (the UI thread
    // must keep taking the messages workers send it, or a worker blocked in a send never ends).
    // True when all have ended.
    bool WaitIdle(std::chrono::milliseconds timeout, const std::function<void()>& pump);

    int Running() const;
    // What the workers still running use, together.
    WorkerFootprint InUse() const;

private:
    struct State {
        std::mutex lock;
        std::condition_variable idle;
        int running = 0;
        int nextId = 0;
        std::map<int, WorkerFootprint> footprints;  // of the running workers
    };
    // Shared with the threads: a worker that outlives the tracker still has it.
    std::shared_ptr<State> state_;
};

}  // namespace qn

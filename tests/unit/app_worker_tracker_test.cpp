#include "app/worker_tracker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

namespace qn {
namespace {

TEST(WorkerTracker, WaitsForRunningWorkersAndPumpsMeanwhile) {
    WorkerTracker tracker;
    std::promise<void> release;
    auto released = release.get_future().share();
    std::atomic<bool> finished{false};
    ASSERT_TRUE(tracker.Start({}, [released, &finished] {
        released.wait();
        finished = true;
    }));
    EXPECT_EQ(tracker.Running(), 1);
    int pumps = 0;
    // The pump is where the UI thread answers a worker's send; here it lets the worker go.
    const bool idle = tracker.WaitIdle(std::chrono::seconds(10), [&] {
        if (++pumps == 3) {
            release.set_value();
        }
    });
    EXPECT_TRUE(idle);
    EXPECT_TRUE(finished);
    EXPECT_GE(pumps, 3);
    EXPECT_EQ(tracker.Running(), 0);
}

TEST(WorkerTracker, GivesUpAfterTheTimeoutAndTheWorkerOutlivesTheTracker) {
    std::promise<void> release;
    auto released = release.get_future().share();
    std::atomic<bool> finished{false};
    {
        WorkerTracker tracker;
        tracker.Start({}, [released, &finished] {
            released.wait();
            finished = true;
        });
        EXPECT_FALSE(tracker.WaitIdle(std::chrono::milliseconds(50), nullptr));
    }
    // The tracker is gone; the worker ends later without touching freed memory.
    release.set_value();
    for (int i = 0; i < 500 && !finished; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(finished);
}

TEST(WorkerTracker, KnowsWhatTheWorkersStillRunningUse) {
    WorkerTracker tracker;
    std::promise<void> releaseScan, releaseRepair;
    auto scanGo = releaseScan.get_future().share();
    auto repairGo = releaseRepair.get_future().share();
    WorkerFootprint scan;
    scan.allLetters = true;
    scan.registryHive = true;
    WorkerFootprint repair;
    repair.letters = {'S', 'C'};
    ASSERT_TRUE(tracker.Start(scan, [scanGo] { scanGo.wait(); }));
    ASSERT_TRUE(tracker.Start(repair, [repairGo] { repairGo.wait(); }));
    WorkerFootprint both = tracker.InUse();
    EXPECT_TRUE(both.allLetters && both.registryHive);
    EXPECT_EQ(both.letters, (std::set<char>{'C', 'S'}));

    releaseScan.set_value();
    for (int i = 0; i < 500 && tracker.Running() > 1; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const WorkerFootprint left = tracker.InUse();
    EXPECT_FALSE(left.allLetters) << "the scan has ended";
    EXPECT_FALSE(left.registryHive);
    EXPECT_TRUE(left.UsesLetter('S'));
    EXPECT_FALSE(left.UsesLetter('T'));
    releaseRepair.set_value();
    EXPECT_TRUE(tracker.WaitIdle(std::chrono::seconds(10), nullptr));
    EXPECT_FALSE(tracker.InUse().UsesLetter('S'));
}

TEST(WorkerTracker, IdleAtOnceWithoutWorkers) {
    WorkerTracker tracker;
    int pumps = 0;
    EXPECT_TRUE(tracker.WaitIdle(std::chrono::milliseconds(0), [&] { ++pumps; }));
    EXPECT_EQ(pumps, 0);
}

}  // namespace
}  // namespace qn

#include "app/detect_job.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "app/main_messages.h"

namespace qn {
namespace {

// Records what a worker posted, as the window would receive it.
class RecordingChannel : public UiChannel {
public:
    struct Message {
        unsigned message;
        std::uintptr_t wParam;
    };
    bool Post(unsigned message, std::uintptr_t wParam, std::intptr_t) override {
        std::lock_guard<std::mutex> guard(lock_);
        messages_.push_back({message, wParam});
        return true;
    }
    std::intptr_t Send(unsigned message, std::uintptr_t wParam, std::intptr_t l) override {
        Post(message, wParam, l);
        return 0;
    }
    std::vector<Message> Messages() {
        std::lock_guard<std::mutex> guard(lock_);
        return messages_;
    }

private:
    std::mutex lock_;
    std::vector<Message> messages_;
};

void ExpectProgressThenDone(const std::vector<RecordingChannel::Message>& messages) {
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ(messages.back().message, WM_DETECT_DONE);
    const auto& last = messages[messages.size() - 2];
    EXPECT_EQ(last.message, WM_DETECT_PROGRESS);
    EXPECT_EQ(last.wParam, 100u);
    std::uintptr_t previous = 0;
    for (std::size_t i = 0; i + 1 < messages.size(); ++i) {
        EXPECT_EQ(messages[i].message, WM_DETECT_PROGRESS);
        EXPECT_GE(messages[i].wParam, previous) << "progress went down at " << i;
        EXPECT_LE(messages[i].wParam, 100u);
        previous = messages[i].wParam;
    }
}

TEST(RunDetection, FastScanStillShowsOneHundredBeforeDone) {
    DetectStatus status;
    RecordingChannel channel;
    InstallationTable result;
    auto claim = DetectionClaim::TryTake(status);
    ASSERT_TRUE(claim);
    RunDetection(
        std::move(*claim),
        [](const DetectionClaim&) {
            InstallationTable t;
            t['C'].driveLetter = 'C';
            return t;
        },
        result, channel);
    ExpectProgressThenDone(channel.Messages());
    EXPECT_EQ(result.size(), 1u);
    EXPECT_TRUE(status.done);
    EXPECT_FALSE(status.running) << "the claim must be given back";
}

TEST(RunDetection, TickerFollowsRealProgressAndNeverGoesDown) {
    DetectStatus status;
    RecordingChannel channel;
    InstallationTable result;
    auto claim = DetectionClaim::TryTake(status);
    ASSERT_TRUE(claim);
    RunDetection(
        std::move(*claim),
        [](const DetectionClaim& c) {
            for (int p : {0, 50, 20, 97}) {
                c.Progress() = p;
                std::this_thread::sleep_for(std::chrono::milliseconds(130));
            }
            return InstallationTable{};
        },
        result, channel);
    const auto messages = channel.Messages();
    ExpectProgressThenDone(messages);
    bool sawJump = false;
    for (const auto& m : messages) {
        sawJump = sawJump || (m.message == WM_DETECT_PROGRESS && m.wParam >= 50 && m.wParam < 100);
    }
    EXPECT_TRUE(sawJump) << "the real progress of 50 and 97 was never shown";
}

TEST(RunDetection, ASecondDetectionCannotStartWhileOneRuns) {
    DetectStatus status;
    RecordingChannel channel;
    InstallationTable result;
    auto first = DetectionClaim::TryTake(status);
    ASSERT_TRUE(first);
    std::atomic<bool> secondRefused{false};
    RunDetection(
        std::move(*first),
        [&](const DetectionClaim&) {
            secondRefused = !DetectionClaim::TryTake(status).has_value();
            return InstallationTable{};
        },
        result, channel);
    EXPECT_TRUE(secondRefused);
    EXPECT_TRUE(DetectionClaim::TryTake(status).has_value()) << "free again afterwards";
}

}  // namespace
}  // namespace qn

#include "app/detect_job.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "app/main_messages.h"
#include "app/progress_ticker.h"

namespace qn {

void RunDetection(DetectionClaim claim, const InstallationScan& scan, InstallationTable& result,
                  UiChannel& channel) {
    {
        // The claim is given back before the window hears of the end, so it can start the next
        // scan right away.
        const DetectionClaim held(std::move(claim));
        std::mutex lock;
        std::condition_variable wake;
        bool scanDone = false;

        std::thread ticker([&] {
            int shown = 0;
            std::unique_lock<std::mutex> guard(lock);
            while (!scanDone) {
                shown = NextTickerValue(shown, held.Progress().load());
                channel.Post(WM_DETECT_PROGRESS, static_cast<std::uintptr_t>(shown), 0);
                // Woken early when the scan ends, so a fast scan is not held up by the ticker.
                wake.wait_for(guard, std::chrono::milliseconds(kTickerIntervalMs),
                              [&] { return scanDone; });
            }
        });

        InstallationTable table = scan(held);
        held.MarkDone();
        {
            std::lock_guard<std::mutex> guard(lock);
            scanDone = true;
        }
        wake.notify_all();
        ticker.join();
        result = std::move(table);
    }
    channel.Post(WM_DETECT_PROGRESS, 100, 0);
    // Lets the window paint 100 % before the page changes.
    std::this_thread::sleep_for(std::chrono::milliseconds(kTickerIntervalMs));
    channel.Post(WM_DETECT_DONE, 0, 0);
}

}  // namespace qn

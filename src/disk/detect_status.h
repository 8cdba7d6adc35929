#pragma once

#include <atomic>
#include <optional>

namespace qn {

// Percent 0 to 100 of the running installation scan: written by the scan, read by the progress
// ticker on another thread.
using DetectProgress = std::atomic<int>;

// What the installation scan shares between threads: its progress, whether it is done (which
// ends the ticker) and whether one is running at all.
struct DetectStatus {
    DetectProgress progress{0};
    std::atomic<bool> done{true};
    std::atomic<bool> running{false};
};

// The right to run the installation scan. The offline hive is always loaded at HKU\Software, so
// two scans at once would read and unload each other's hive: at most one claim exists per
// DetectStatus, and the scan cannot be run without one. Move-only; releases the scan when
// destroyed (marking it done if that was not done yet).
class DetectionClaim {
public:
    // Takes the claim and resets progress and done; none while another claim is held.
    static std::optional<DetectionClaim> TryTake(DetectStatus& status);

    DetectionClaim(DetectionClaim&& other) noexcept;
    DetectionClaim& operator=(DetectionClaim&&) = delete;
    DetectionClaim(const DetectionClaim&) = delete;
    DetectionClaim& operator=(const DetectionClaim&) = delete;
    ~DetectionClaim();

    DetectProgress& Progress() const { return status_->progress; }
    // The scan has finished; the ticker may stop. The claim is still held until destroyed.
    void MarkDone() const { status_->done = true; }

private:
    explicit DetectionClaim(DetectStatus& status) : status_(&status) {}

    DetectStatus* status_;
};

}  // namespace qn

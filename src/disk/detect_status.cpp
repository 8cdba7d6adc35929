#include "disk/detect_status.h"

#include <utility>

namespace qn {

std::optional<DetectionClaim> DetectionClaim::TryTake(DetectStatus& status) {
    bool expected = false;
    if (!status.running.compare_exchange_strong(expected, true)) {
        return std::nullopt;
    }
    status.progress = 0;
    status.done = false;
    return DetectionClaim(status);
}

DetectionClaim::DetectionClaim(DetectionClaim&& other) noexcept
    : status_(std::exchange(other.status_, nullptr)) {}

DetectionClaim::~DetectionClaim() {
    if (status_ != nullptr) {
        status_->done = true;
        status_->running = false;
    }
}

}  // namespace qn

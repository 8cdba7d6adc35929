#include "app/progress_ticker.h"

namespace qn {

int NextTickerValue(int shown, int realProgress) {
    int next = shown;
    if (next < kTickerCreepLimit) {
        ++next;
    }
    if (realProgress >= next) {
        next = realProgress;
    }
    return next;
}

}  // namespace qn

#pragma once

#include "platform/clock.h"

namespace qn::fake {

class FakeClock : public Clock {
public:
    explicit FakeClock(SystemTime now = {}) : now_(now) {}
    void Set(SystemTime now) { now_ = now; }
    SystemTime LocalTime() override { return now_; }

private:
    SystemTime now_;
};

}  // namespace qn::fake

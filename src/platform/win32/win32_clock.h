#pragma once

#include "platform/clock.h"

namespace qn::win32 {

class Win32Clock : public Clock {
public:
    SystemTime LocalTime() override;
};

}  // namespace qn::win32

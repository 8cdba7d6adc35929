#pragma once

#include <string>

#include "platform/clock.h"

namespace qn {

// "%d%02d%02d%02d%02d%02d" of year, month, day, hour, minute, second: 14 digits for a four-digit
// year. Names backups, so two saves in one second share a name.
std::wstring FormatTimeStamp(const SystemTime& time);
std::wstring MakeTimeStamp(Clock& clock);

}  // namespace qn

#include "boot/time_stamp.h"

#include <cwchar>

namespace qn {

std::wstring FormatTimeStamp(const SystemTime& t) {
    wchar_t buffer[64] = {};
    std::swprintf(buffer, 64, L"%d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return buffer;
}

std::wstring MakeTimeStamp(Clock& clock) {
    return FormatTimeStamp(clock.LocalTime());
}

}  // namespace qn

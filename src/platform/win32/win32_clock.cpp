#include "platform/win32/win32_clock.h"

#include <windows.h>

namespace qn::win32 {

SystemTime Win32Clock::LocalTime() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

}  // namespace qn::win32

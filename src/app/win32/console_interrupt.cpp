#include "app/win32/console_interrupt.h"

#include <windows.h>

#include <atomic>

#include "platform/interrupt_request.h"

namespace qn {
namespace {

std::atomic<bool> g_runDone{false};

// The console calls this on a thread of its own.
// https://learn.microsoft.com/windows/console/handlerroutine
BOOL WINAPI OnConsoleControl(DWORD event) {
    ProcessInterrupt().store(true);
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
        // Windows ends the process when this returns (after about five seconds at most): keep it
        // alive while the run finishes the step it is in, writes its record and its log.
        for (int waited = 0; waited < 4500 && !g_runDone.load(); waited += 50) {
            ::Sleep(50);
        }
    }
    return TRUE;
}

}  // namespace

void WatchConsoleInterrupt() {
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

void ConsoleRunDone() {
    g_runDone.store(true);
}

}  // namespace qn

// The process entry of QNBootRepair.exe and of its simulated twin.
#include <windows.h>

#include "app/win32/program_entry.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return qn::RunProgram(instance);
}

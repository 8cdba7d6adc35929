#pragma once

#include <windows.h>

namespace qn {

// The whole life of the program: single instance, COM, the main window, the start-up check and
// the message loop. Returns the exit code (or ends the process at once with 1 after the start-up
// abort). The real program and the simulated one share it; they differ in the ports they link.
int RunProgram(HINSTANCE instance);

}  // namespace qn

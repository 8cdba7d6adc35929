#pragma once

namespace qn {

// Ctrl+C, Ctrl+Break and the console window closing raise ProcessInterrupt instead of ending the
// program at once: the run stops before its next step and writes its record and log. A closing
// console gives a process a few seconds; the handler waits that long for RunWithoutWindow to say
// it is done. Watch before the run, Done after it.
void WatchConsoleInterrupt();
void ConsoleRunDone();

}  // namespace qn

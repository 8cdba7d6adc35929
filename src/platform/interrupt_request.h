#pragma once

#include <atomic>

namespace qn {

// Raised when the user asks the program to stop from its console (Ctrl+C, Ctrl+Break, the
// console window closing): a run then starts no further step, finishes its undo record and its
// log, and says it was interrupted. One per process, as the console is.
inline std::atomic<bool>& ProcessInterrupt() {
    static std::atomic<bool> raised{false};
    return raised;
}

}  // namespace qn

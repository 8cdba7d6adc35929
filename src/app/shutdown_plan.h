#pragma once

#include <set>
#include <string>

#include "app/worker_footprint.h"

namespace qn {

// What the closing window removes when workers are still running after its wait: everything a
// running worker does not use goes; what one uses is left in place and named in a diagnostic
// line, so whoever looks at the machine afterwards knows what the program left behind.
struct ShutdownPlan {
    std::set<char> removeLetters;  // temporary letters to remove now
    std::set<char> keepLetters;    // temporary letters left mounted for a running worker
    bool deleteWorkDirectory = true;
    std::wstring diagnostic;  // empty when nothing is left behind
};

// stillRunning: the workers that had not ended (0 when the wait succeeded) and the union of
// what they use. temporaryLetters: the letters the program mounted. workDirectory: its path.
ShutdownPlan PlanShutdown(int stillRunning, const WorkerFootprint& inUse,
                          const std::set<char>& temporaryLetters,
                          const std::wstring& workDirectory);

}  // namespace qn

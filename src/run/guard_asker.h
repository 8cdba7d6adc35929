#pragma once

#include "run/repair_guards.h"

namespace qn {

// Who answers the guards' questions: the user through the confirmation dialog, a script's
// /yes, or a test.
class GuardAsker {
public:
    virtual ~GuardAsker() = default;
    virtual GuardAnswer Ask(const RepairGuard& guard) = 0;
};

// Asks the guards that ask something, in order, until an answer stops the run, and says what the
// answers leave of it.
GuardOutcome AskGuards(const std::vector<RepairGuard>& guards, GuardAsker& asker);

}  // namespace qn

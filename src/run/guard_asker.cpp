#include "run/guard_asker.h"

namespace qn {

GuardOutcome AskGuards(const std::vector<RepairGuard>& guards, GuardAsker& asker) {
    std::vector<GuardAnswer> answers;
    for (const RepairGuard& guard : guards) {
        if (guard.question.empty()) {
            continue;
        }
        const GuardAnswer answer = asker.Ask(guard);
        answers.push_back(answer);
        const GuardEffect effect = answer == GuardAnswer::Yes  ? guard.onYes
                                   : answer == GuardAnswer::No ? guard.onNo
                                                               : GuardEffect::Stop;
        if (effect == GuardEffect::Stop) {
            break;
        }
    }
    return ApplyGuardAnswers(guards, answers);
}

}  // namespace qn

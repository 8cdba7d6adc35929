#include "repair/needed_commands.h"

namespace qn {

std::optional<StepFailure> RunNeededCommands(RepairRun& run, const NeededCommands& commands) {
    std::optional<StepFailure> first;
    for (const auto& [needed, command] : commands) {
        if (!needed) {
            continue;
        }
        auto failure = run.RunTool(CarriedTool::Bcdedit, command);
        if (!first) {
            first = failure;
        }
    }
    return first;
}

}  // namespace qn

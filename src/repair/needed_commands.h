#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "run/repair_run.h"

namespace qn {

// bcdedit commands of one step, each with whether its effect is still missing from the store.
using NeededCommands = std::vector<std::pair<bool, std::wstring>>;

// Runs those still needed, every one even after a failure; the first failure.
std::optional<StepFailure> RunNeededCommands(RepairRun& run, const NeededCommands& commands);

}  // namespace qn

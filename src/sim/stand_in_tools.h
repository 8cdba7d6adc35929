#pragma once

#include <string>
#include <vector>

#include "sim/tool_run.h"

namespace qn::sim {

class SimMachine;

// The stand-ins for the Windows boot tools: interpreters over the simulated machine, never a
// real process. Each takes the arguments after the program name and returns what the real tool
// would print and its exit code.
ToolOutcome RunBcdedit(SimMachine& machine, const std::vector<std::wstring>& arguments);
ToolOutcome RunBcdboot(SimMachine& machine, const std::vector<std::wstring>& arguments);
ToolOutcome RunBootsect(SimMachine& machine, const std::vector<std::wstring>& arguments);

}  // namespace qn::sim

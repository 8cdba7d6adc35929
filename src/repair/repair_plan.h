#pragma once

#include <string>
#include <vector>

#include "run/repair_ports.h"
#include "run/repair_request.h"

namespace qn {

// What the automatic repair would do, in order, without doing any of it: every tool run with
// its command line and every change to a file outside the work folder. The run itself makes the
// plan, over ports that read the machine as it is and only pretend to write and to run tools,
// so the plan cannot drift from what the run does. A step that depends on an earlier result
// names what it will use: the entry bcdboot will make for a system is shown as
// "<C: 的新启动项>", the {ntldr} entry that may exist already says so.
struct RepairPlan {
    std::vector<std::wstring> steps;  // "运行: <command line>" or "文件: <change>"
    std::vector<std::wstring> rows;   // the rows the run would show, had every step succeeded
};

RepairPlan PlanRepair(const RepairRequest& request, RepairPorts& ports);

// After a step the run makes only where the store is not so already (a menu's order, name,
// timeout, default, resolution; the {ntldr} entry's elements).
inline constexpr wchar_t kOnlyWhereNeeded[] = L"（已是如此时不运行）";

// The stand-in identifier a plan uses for the entry bcdboot makes for the Windows on letter.
std::wstring PlannedEntryId(char letter);

}  // namespace qn

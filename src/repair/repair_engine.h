#pragma once

#include <functional>

#include "run/boot_target.h"
#include "run/guard_asker.h"
#include "run/repair_ports.h"
#include "run/repair_request.h"
#include "run/repair_run.h"
#include "run/repair_sink.h"
#include "run/run_life_cycle.h"

namespace qn {

// The repair of the selected systems onto the boot partition, on the calling (worker) thread:
// the partition style, the engine (BCD when a selected system is Vista or later, or when the
// partition already boots through a store and nothing is cleared; the legacy loader otherwise),
// every step examined, then the configuration read back and checked for every system, the last
// row "修复完成!" only when nothing failed, and a log whose path the very last row names.
// File-system redirection is off for the thread while it runs and restored on every way out.
// Before anything is written the machine is diagnosed and the guards that apply are asked;
// an answer may stop the run (nothing written), keep the master boot record or the firmware's
// boot order. The diagnosis is made again afterwards; both go into the log.
RepairOutcome RunRepair(const RepairRequest& request, RepairPorts& ports, RepairSink& sink,
                        const RunLabel& label, GuardAsker& asker);

struct EngineResult {
    bool ran = false;  // false: nothing to repair
    bool bcdEngine = false;
    bool bootCodeWritten = false;
};

// The engine part of a run, shared with the plan: the style row, the checks that there is
// something to repair, the choice of engine and the engine itself. beforeFirstWrite runs once
// the checks passed, right before the engine (a run saves what it will change there); when it
// returns false the engine does not run and nothing is written.
EngineResult RunEngine(RepairRun& run, const RepairRequest& request, const BootTarget& target,
                       const std::function<bool()>& beforeFirstWrite = {});

}  // namespace qn

#pragma once

#include <functional>
#include <optional>
#include <set>
#include <string>

#include "repair/repair_engine.h"
#include "run/repair_ports.h"
#include "run/repair_sink.h"

namespace qn {

class MainFrame;

// The boot partition of the selected row of "SelBootList" (its tag is the row's index in the
// wizard's rows); none when no row is selected.
std::optional<BootPartition> SelectedBootPartition(MainFrame& frame);

// Shows the result page busy: its two buttons off, the rows cleared when asked.
void ShowResultPageBusy(MainFrame& frame, bool clearRows);

// Runs a repair on a worker of the window: rows reach the result list as they come and the
// window gets WM_REPAIR_DONE with the number of failed steps and the tip to show (the run's last
// row, or that a guard's answer stopped it) on every way out; the guards' questions go to the
// window. letters are the drives the run works on (kept mounted if the window closes first).
using RepairWork = std::function<RepairOutcome(RepairPorts&, RepairSink&, GuardAsker&)>;
void StartRepairWorker(MainFrame& frame, std::set<char> letters, RepairWork work);

}  // namespace qn

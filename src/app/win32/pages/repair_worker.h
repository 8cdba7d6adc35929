#pragma once

#include <functional>
#include <set>
#include <string>

#include "repair/repair_engine.h"
#include "run/repair_ports.h"
#include "run/repair_sink.h"

namespace qn {

class MainFrame;

// The chosen boot partition's letter (the selected row's tag of "SelBootList"); 0 when no row
// is selected.
char SelectedBootLetter(MainFrame& frame);

// The partition style the workflows decide by: GPT for an ESP without a letter.
PartitionStyle BootStyleOf(char bootLetter);

// Shows the result page busy: its two buttons off, the rows cleared when asked.
void ShowResultPageBusy(MainFrame& frame, bool clearRows);

// Runs a repair on a worker of the window: rows reach the result list as they come and the
// window gets WM_REPAIR_DONE with the number of failed steps and the tip to show (the run's last
// row, or that a guard's answer stopped it) on every way out; the guards' questions go to the
// window. letters are the drives the run works on (kept mounted if the window closes first).
using RepairWork = std::function<RepairOutcome(RepairPorts&, RepairSink&, GuardAsker&)>;
void StartRepairWorker(MainFrame& frame, std::set<char> letters, RepairWork work);

}  // namespace qn

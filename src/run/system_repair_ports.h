#pragma once

#include "run/repair_ports.h"

namespace qn {

// The running program's ports for a repair run (the machine's own, or the simulated machine's
// in the demo build).
RepairPorts SystemRepairPorts();

}  // namespace qn

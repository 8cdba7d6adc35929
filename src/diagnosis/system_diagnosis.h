#pragma once

#include "diagnosis/boot_diagnosis.h"

namespace qn {

// The diagnosis of the machine the program runs on (or of the simulated machine in the demo
// build), with the installations found by their files: bcdedit is written into a work folder of
// its own, deleted again before this returns. Blocks while bcdedit runs: call it on a worker.
BootDiagnosis DiagnoseSystemBoot();

}  // namespace qn

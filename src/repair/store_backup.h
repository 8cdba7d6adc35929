#pragma once

#include "run/boot_target.h"
#include "run/repair_request.h"
#include "run/repair_run.h"

namespace qn {

// Backs up the BCD store before a repair changes it, and clears it when asked, in the way the
// store can be reached: the file is copied beside itself in Windows PE and for a store on
// another disk than disk 0; the running system's store (disk 0, or an ESP without a letter) is
// exported through bcdedit, to the desktop when the partition has no letter. Nothing is deleted
// or cleared unless its backup was made. Rows name the backup, or say why there is none.
void BackUpAndClearStore(RepairRun& run, const RepairRequest& request, const BootTarget& target);

}  // namespace qn

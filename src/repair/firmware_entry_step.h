#pragma once

#include "run/boot_target.h"
#include "run/repair_request.h"
#include "run/repair_run.h"

namespace qn {

// bcdboot with /s writes the boot files to an EFI system partition but leaves the firmware's boot
// entries alone: a firmware whose entries were reset would find only the fallback loader. After
// the systems were repaired onto a lettered ESP of a UEFI machine, this puts "Windows Boot
// Manager" into the firmware's boot order through the system store: first, or, when the user
// chose to keep the order, last and only when it is missing. It does so only when the system
// store's boot manager lives on that ESP (otherwise the entry would start another partition),
// and says so when the firmware's entries cannot be read (the machine then starts the ESP's
// fallback loader). A failed change is a counted failure.
void PutBootManagerIntoFirmwareOrder(RepairRun& run, const RepairRequest& request,
                                     const BootTarget& target);

}  // namespace qn

#pragma once

#include "diagnosis/boot_diagnosis.h"
#include "record/undo_record.h"
#include "run/repair_run.h"

namespace qn {

// bcdboot puts Windows Boot Manager first in the UEFI boot order (and adds it when it was not
// there); a FirmwareOrder item's order goes back as it was, through bcdedit's {fwbootmgr}.
// now: the diagnosis before the undo, which read today's order.
void RestoreFirmwareOrder(RepairRun& run, const UndoItem& item, const BootDiagnosis& now);

}  // namespace qn

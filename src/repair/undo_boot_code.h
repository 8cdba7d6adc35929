#pragma once

#include "repair/repair_run.h"
#include "repair/undo_record.h"

namespace qn {

// Undo's sector writes: the boot code a run's bootsect replaced goes back, on the disk or volume
// the record saved it from and only while that is still the same one. A row per item.

// MbrCode: the saved sector 0's boot code, under today's partition table and disk signature.
void RestoreMbrCode(RepairRun& run, const UndoItem& item);

// BootRecord: Windows' own code through bootsect (as it fits the volume today); another loader's
// bytes under today's parameter block.
void RestoreBootRecord(RepairRun& run, const UndoItem& item);

}  // namespace qn

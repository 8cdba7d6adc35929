#pragma once

#include "record/undo_record.h"
#include "run/repair_run.h"

namespace qn {

// A letter may name another volume by now (a temporary letter, another boot, a stick): copying
// or clearing there would destroy what is not ours. Whether every volume the record names is
// still the one it saved; a failure row for each that is not, and nothing is done then.
bool SameVolumesAsRecorded(RepairRun& run, const UndoRecord& record);

}  // namespace qn

#pragma once

#include "record/undo_record.h"
#include "run/repair_run.h"

namespace qn {

// An ExportedStore item back through "bcdedit /import". Without /store that writes the running
// system's store: only the system the export came from may take it (not Windows PE's own store,
// not another PC's).
void ImportStore(RepairRun& run, const UndoItem& item);

}  // namespace qn

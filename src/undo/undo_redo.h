#pragma once

#include <string>

#include "diagnosis/boot_diagnosis.h"
#include "platform/clock.h"
#include "record/undo_record.h"
#include "record/undo_recorder.h"
#include "run/repair_guards.h"
#include "run/repair_run.h"

namespace qn {

// Redo: before an undo writes, it saves what it is about to change into a record of its own, so
// that undoing that record gives the repaired machine back.

// UndoLossGuard in an undo's words: what could not be saved cannot be redone.
RepairGuard RedoLossGuard(const std::wstring& lost);

// A run's record (the recorder's copies and folders, boot code, the firmware's order) rather than
// an editor save's, which holds only the backup it made beside the store or boot.ini: only a
// run's is saved again for redo (an editor save is made again in the editor).
bool RecordedByARun(const UndoRecord& record);

// The folder for the redo record: beside the one undo reads, named as a run's.
std::wstring RedoFolder(FileSystem& files, const UndoRecord& record, const SystemTime& time);

// Saves what the undo is about to change, as a run saves what it will change, into redo: the
// boot files of the record's drives, the boot code it writes back, the firmware's order and the
// system store it imports into. What could not be saved (empty: everything was), for
// RedoLossGuard.
std::wstring SaveForRedo(RepairRun& run, UndoRecorder& redo, const UndoRecord& record,
                         const BootDiagnosis& now);

}  // namespace qn

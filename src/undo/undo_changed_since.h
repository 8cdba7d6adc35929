#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "record/undo_record.h"
#include "run/repair_guards.h"
#include "run/repair_run.h"

namespace qn {

// Whether undo may write over what changed after the run: a Windows update of bootmgfw.efi or
// another system's loader is not rolled back unasked.

// What the run left and was changed since, of what undo is about to write over or remove: a
// file changed, removed or created after the record's last look at it. Nothing for a record
// that does not say what its run left.
std::vector<std::wstring> ChangedSinceTheRun(FileSystem& files, const UndoRecord& record);

// Asked before undo writes over what changed after the run: a few of the paths, then how many.
RepairGuard ChangedSinceGuard(const std::vector<std::wstring>& changed);

// Left as they are now, each said to be so (and counted: the undo is not complete). The paths
// kept, lower case, for the restore to pass over.
std::set<std::wstring> KeepAsTheyAre(RepairRun& run, const std::vector<std::wstring>& paths);

}  // namespace qn

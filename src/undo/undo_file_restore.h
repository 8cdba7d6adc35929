#pragma once

#include <set>
#include <string>

#include "record/undo_record.h"
#include "run/repair_run.h"

namespace qn {

// Undo's file work. The boot files a run changed are copied back with their attributes; what it
// added to the saved folders, and the files and folders that did not exist, are removed. Groups
// ("C:\Boot", "C:\bootmgr") are undone backwards, one row each with its own outcome. kept: files
// changed since the run and left as they are (lower case), which have rows of their own.
void RestoreFiles(RepairRun& run, const UndoRecord& record, const std::set<std::wstring>& kept);

// Left behind by a run that died while bcdboot ran; a file of that name that is not the one the
// run wrote is someone else's and stays.
void RemoveTemporary(RepairRun& run, const UndoItem& item);

}  // namespace qn

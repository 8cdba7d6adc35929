#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "record/undo_record.h"

namespace qn {

// What undo takes for the run's own additions: in a folder whose every file the run recorded,
// whatever the record does not name; and all of a folder that did not exist.

// The paths the record names as files or folders, lower case: each is restored as a file,
// cleaned as a folder or kept as a backup, never removed as an addition.
std::set<std::wstring> RecordedPaths(const UndoRecord& record);

// The files a Folder's or AbsentFolder's undo removes as it stands now.
std::vector<std::wstring> FilesUndoRemoves(FileSystem& files, const UndoItem& item,
                                           const std::set<std::wstring>& recorded);

}  // namespace qn

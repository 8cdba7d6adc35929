#pragma once

#include <string>

#include "editor/editor_bcdedit.h"
#include "platform/clock.h"
#include "platform/file_system.h"

namespace qn {

struct EditorBackup {
    std::wstring path;      // the backup made; empty when none could be made
    std::wstring failure;   // why not
    bool exported = false;  // written by bcdedit /export (the store was held open)
};

// Backs up the store the editor is about to change, once per loaded store, before its first
// save. A store named by its file is copied beside itself (store + "_" + time stamp, never over
// an earlier backup); when the file cannot be copied (Windows keeps the running system's store
// open), bcdedit exports it to that name instead. The system store (no file: an EFI system
// partition without a letter) is exported to the desktop as "BCD_" + time stamp.
EditorBackup BackUpStoreForEdit(FileSystem& files, Clock& clock, EditorBcdedit& bcdedit,
                                const std::wstring& store);

}  // namespace qn

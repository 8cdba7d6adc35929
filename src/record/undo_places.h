#pragma once

#include <string>
#include <vector>

#include "disk/storage_port.h"
#include "platform/file_system.h"

namespace qn {

// Where 撤销上次修改 looks for records: only where the program itself leaves them. On an installed
// Windows that is the desktop of the account it runs as (a drive root takes folders from any
// user, who could plant a record there); in Windows PE also the roots of the fixed local drives
// that hold a Windows, where a run keeps its log and undo folder. roots: the machine's drive
// roots ("C:\"). Each folder ends with a backslash. Asks each root's drive type and looks for
// its Windows folder: call it off the UI thread.
std::vector<std::wstring> UndoSearchFolders(FileSystem& files, StoragePort& storage, bool isWinPE,
                                            const std::vector<std::wstring>& roots);

}  // namespace qn

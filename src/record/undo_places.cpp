#include "record/undo_places.h"

#include "boot/desktop_folder.h"

namespace qn {

std::vector<std::wstring> UndoSearchFolders(FileSystem& files, StoragePort& storage, bool isWinPE,
                                            const std::vector<std::wstring>& roots) {
    std::vector<std::wstring> folders;
    const std::wstring desktop = DesktopFolder(files);
    if (!desktop.empty()) {
        folders.push_back(desktop);
    }
    if (!isWinPE) {
        return folders;
    }
    for (std::wstring root : roots) {
        if (root.size() < 2 || root[1] != L':') {
            continue;
        }
        root = root.substr(0, 2) + L"\\";
        // X: is Windows PE's own drive; a stick or a share is nobody's system drive.
        if (root[0] == L'X' || root[0] == L'x' || storage.DriveType(root) != kDriveFixed ||
            !files.PathExists(root + L"Windows\\System32\\config\\SOFTWARE")) {
            continue;
        }
        folders.push_back(root);
    }
    return folders;
}

}  // namespace qn

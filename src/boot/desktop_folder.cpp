#include "boot/desktop_folder.h"

namespace qn {

std::wstring DesktopFolder(FileSystem& files) {
    std::wstring folder = files.FolderPath(KnownFolder::Desktop);
    if (folder.empty()) {
        return {};
    }
    return folder + L"\\";
}

}  // namespace qn

#include "boot/full_path.h"

#include <cwctype>

namespace qn {

std::wstring FullPath(FileSystem& files, const std::wstring& path) {
    const bool drive = path.size() >= 2 && std::iswalpha(path[0]) != 0 && path[1] == L':';
    if ((drive && path.size() >= 3 && path[2] == L'\\') || path.starts_with(L"\\\\") ||
        path.empty() || drive) {
        return path;  // full, a share, or relative to another drive's own folder: as given
    }
    std::wstring current = files.FolderPath(KnownFolder::Current);
    while (!current.empty() && current.back() == L'\\') {
        current.pop_back();
    }
    if (current.size() < 2) {
        return path;
    }
    if (path.front() == L'\\') {
        return current.substr(0, 2) + path;
    }
    std::wstring rest = path;
    while (rest.starts_with(L".\\")) {
        rest.erase(0, 2);
    }
    return current + L"\\" + rest;
}

}  // namespace qn

#include "undo/undo_added_files.h"

#include "boot/text_helpers.h"
#include "record/undo_left_state.h"

namespace qn {

std::set<std::wstring> RecordedPaths(const UndoRecord& record) {
    std::set<std::wstring> recorded;
    for (const UndoItem& item : record.items) {
        if (item.kind == UndoItemKind::File || item.kind == UndoItemKind::Folder ||
            item.kind == UndoItemKind::Unsaved || item.kind == UndoItemKind::KeptBackup) {
            recorded.insert(LowerCase(item.target));
        }
    }
    return recorded;
}

std::vector<std::wstring> FilesUndoRemoves(FileSystem& files, const UndoItem& item,
                                           const std::set<std::wstring>& recorded) {
    std::vector<std::wstring> removed;
    if (item.kind == UndoItemKind::AbsentFolder) {
        return FilesInTree(files, item.target);
    }
    const auto entries = files.ListDirectory(item.target);
    if (!entries) {
        return removed;
    }
    for (const DirEntry& entry : *entries) {
        const std::wstring path = item.target + L"\\" + entry.name;
        if (recorded.contains(LowerCase(path))) {
            continue;
        }
        if (!entry.isDirectory) {
            removed.push_back(path);
        } else if (!entry.isLink) {
            for (std::wstring& inside : FilesInTree(files, path)) {
                removed.push_back(std::move(inside));
            }
        }
    }
    return removed;
}

}  // namespace qn

#include "undo/undo_changed_since.h"

#include "boot/text_helpers.h"
#include "record/undo_left_state.h"
#include "undo/undo_added_files.h"

namespace qn {
namespace {

// A File's target: undo copies the saved file back unless it already is that file.
bool FileChangedSince(FileSystem& files, const LeftStates& left, const UndoItem& item) {
    const UndoItem* was = left.Find(item.target);
    if (was == nullptr) {
        return false;  // a record that does not say: as before
    }
    const auto now = LeftStateOf(files, item.target);
    const bool isTheCopy = now && now->kind == UndoItemKind::LeftFile &&
                           now->savedBytes == item.savedBytes && now->savedCrc == item.savedCrc;
    return !isTheCopy && !SameAsLeft(*was, now);
}

// An AbsentFile's target: undo removes what the run created there.
bool CreatedFileChangedSince(FileSystem& files, const LeftStates& left, const UndoItem& item) {
    const UndoItem* was = left.Find(item.target);
    return was != nullptr && files.PathExists(item.target) &&
           !SameAsLeft(*was, LeftStateOf(files, item.target));
}

// A file undo removes as the run's own: one the record does not know came later.
bool AddedFileChangedSince(FileSystem& files, const LeftStates& left, const std::wstring& path) {
    const UndoItem* was = left.Find(path);
    if (was == nullptr) {
        return left.ListsEveryFile();
    }
    return !SameAsLeft(*was, LeftStateOf(files, path));
}

}  // namespace

std::vector<std::wstring> ChangedSinceTheRun(FileSystem& files, const UndoRecord& record) {
    const LeftStates left(record);
    std::vector<std::wstring> changed;
    if (!left.Any()) {
        return changed;
    }
    const std::set<std::wstring> recorded = RecordedPaths(record);
    std::set<std::wstring> seen;
    auto add = [&](const std::wstring& path) {
        if (seen.insert(LowerCase(path)).second) {
            changed.push_back(path);
        }
    };
    for (const UndoItem& item : record.items) {
        switch (item.kind) {
            case UndoItemKind::File:
                if (FileChangedSince(files, left, item)) {
                    add(item.target);
                }
                break;
            case UndoItemKind::AbsentFile:
                if (CreatedFileChangedSince(files, left, item)) {
                    add(item.target);
                }
                break;
            case UndoItemKind::Folder:
            case UndoItemKind::AbsentFolder:
                for (const std::wstring& path : FilesUndoRemoves(files, item, recorded)) {
                    if (AddedFileChangedSince(files, left, path)) {
                        add(path);
                    }
                }
                break;
            default:
                break;
        }
    }
    return changed;
}

RepairGuard ChangedSinceGuard(const std::vector<std::wstring>& changed) {
    constexpr std::size_t kListed = 3;
    std::wstring list;
    for (std::size_t i = 0; i < changed.size() && i < kListed; ++i) {
        list += L"\n    " + changed[i];
    }
    if (changed.size() > kListed) {
        list += L" 等 " + std::to_wstring(changed.size()) + L" 项";
    }
    RepairGuard guard;
    guard.kind = GuardKind::UndoChangedSince;
    guard.finding = std::to_wstring(changed.size()) + L" 个文件在修复后又被改动过（如 " +
                    changed.front() + L"）";
    guard.question =
        L"以下文件在修复后又被改动、新建或删除过（例如 Windows 更新了启动管理器，或其他系统装入了"
        L"自己的引导程序）：" +
        list +
        L"\n撤销会把它们换回修复前的样子，之后的改动将会丢失。\n\n确定(Y)：仍然还原这些文件\n"
        L"取消(C)：保留这些文件，只还原其余的";
    guard.onYes = GuardEffect::Proceed;
    guard.onNo = GuardEffect::Proceed;
    guard.yesMeaning = L"仍然还原这些文件";
    guard.noMeaning = L"保留这些文件，只还原其余的";
    return guard;
}

std::set<std::wstring> KeepAsTheyAre(RepairRun& run, const std::vector<std::wstring>& paths) {
    std::set<std::wstring> kept;
    for (const std::wstring& path : paths) {
        kept.insert(LowerCase(path));
        run.FailureRow(L"已在修复后被改动，保留未还原: " + path);
    }
    return kept;
}

}  // namespace qn

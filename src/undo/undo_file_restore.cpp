#include "undo/undo_file_restore.h"

#include <algorithm>
#include <map>
#include <vector>

#include "boot/crc32.h"
#include "boot/text_helpers.h"
#include "boot/work_dir.h"
#include "record/undo_record_rules.h"
#include "record/undo_recorder.h"
#include "undo/undo_added_files.h"

namespace qn {
namespace {

// Files bigger than this are compared by copying back rather than by reading both.
constexpr std::uint64_t kMaxComparedFileBytes = 64u << 20;

// "C:\Boot\fonts\x.ttf" belongs to "C:\Boot"; a root file to itself.
std::wstring GroupOf(const std::wstring& path) {
    const std::size_t second = path.find(L'\\', 3);
    return second == std::wstring::npos ? path : path.substr(0, second);
}

// The first problem, and how many there were when more than one.
std::wstring FirstOf(const std::vector<std::wstring>& lines) {
    std::wstring text = lines.front();
    if (lines.size() > 1) {
        text += L" 等 " + std::to_wstring(lines.size()) + L" 项";
    }
    return text;
}

// One group of the record's files and folders, undone backwards.
class GroupRestore {
public:
    GroupRestore(RepairRun& run, const UndoRecord& record, const std::set<std::wstring>& kept)
        : run_(run), record_(record), kept_(kept), recorded_(RecordedPaths(record)) {}

    void Restore(const std::wstring& group, const std::vector<const UndoItem*>& items) {
        changed_ = 0;
        problems_.clear();
        unsaved_.clear();
        RebuildRemovedFolders(items);
        for (auto it = items.rbegin(); it != items.rend(); ++it) {
            Undo(**it);
        }
        ReportGroup(group, items);
        if (!unsaved_.empty()) {
            // Not brought back is not undone: the run must not say it is.
            run_.FailureRow(L"未能还原（修复前未能备份）: " + FirstOf(unsaved_));
        }
    }

private:
    FileSystem& Files() { return run_.Ports().files; }

    bool Kept(const std::wstring& path) const { return kept_.contains(LowerCase(path)); }

    bool AnyKeptUnder(const std::wstring& folder) const {
        return std::any_of(kept_.begin(), kept_.end(), [&](const std::wstring& path) {
            return IsInsideFolder(path, LowerCase(folder));
        });
    }

    void Problem(std::wstring problem) {
        if (!problem.empty()) {
            problems_.push_back(std::move(problem));
        }
    }

    // Folders a run removed come back first, parents before children, for their files.
    void RebuildRemovedFolders(const std::vector<const UndoItem*>& items) {
        for (const UndoItem* item : items) {
            if (item->kind == UndoItemKind::Folder && !Files().PathExists(item->target) &&
                FolderWanted(item->target) &&
                Files().MakeDirectory(item->target) == CreateDirResult::Failed) {
                problems_.push_back(L"无法重建文件夹 " + item->target);
            }
        }
    }

    void Undo(const UndoItem& item) {
        switch (item.kind) {
            case UndoItemKind::File:
                if (!Kept(item.target)) {
                    Problem(RestoreFile(item));
                }
                break;
            case UndoItemKind::Folder:
                RemoveAdded(item.target);
                break;
            case UndoItemKind::AbsentFile:
                if (Files().PathExists(item.target) && !Kept(item.target)) {
                    Problem(RemoveAddedFile(item.target));
                }
                break;
            case UndoItemKind::AbsentFolder:
                if (Files().PathExists(item.target)) {
                    RemoveTree(item.target);
                }
                break;
            case UndoItemKind::AbsentParent:
                // Emptied by the children before it; anything else in it is not ours.
                if (Files().PathExists(item.target) && Files().RemoveEmptyDirectory(item.target)) {
                    run_.Note(L"已删除 " + item.target);
                    ++changed_;
                }
                break;
            case UndoItemKind::Unsaved:
                if (!CoveredByExport(item.target)) {
                    unsaved_.push_back(item.target);
                }
                break;
            default:
                break;
        }
    }

    void ReportGroup(const std::wstring& group, const std::vector<const UndoItem*>& items) {
        const std::wstring row = L"还原 " + group;
        if (!problems_.empty()) {
            run_.FailedRow(row, {FirstOf(problems_)}, false);
        } else if (changed_ == 0) {
            // A file or folder that was not there and still is not: nothing to say.
            // What was kept has its own row.
            const bool existed = std::any_of(items.begin(), items.end(), [&](const UndoItem* i) {
                return (i->kind == UndoItemKind::File || i->kind == UndoItemKind::Folder) &&
                       !Kept(i->target);
            });
            if (existed) {
                run_.Row(row + L"......无需还原（未改变）");
            }
        } else {
            run_.Row(row + L"......成功");
        }
    }

    bool SameFile(const std::wstring& a, const std::wstring& b) {
        const auto left = Files().ReadFileBytes(a, kMaxComparedFileBytes);
        const auto right = left ? Files().ReadFileBytes(b, kMaxComparedFileBytes) : std::nullopt;
        return left && right && *left == *right;
    }

    // The problem, or empty when the file is back.
    std::wstring RestoreFile(const UndoItem& item) {
        FileSystem& files = Files();
        const auto now = files.Attributes(item.target);
        if (now && *now == item.attributes && SameFile(item.saved, item.target)) {
            return {};
        }
        if (!files.PathExists(item.saved)) {
            return L"找不到备份 " + item.saved;
        }
        // A read-only, hidden or system file (bootmgr, ntldr) refuses to be replaced.
        if (now) {
            files.SetAttributes(item.target, kAttributeNormal);
        }
        if (!files.CopyFileTo(item.saved, item.target, true)) {
            if (now) {
                files.SetAttributes(item.target, *now);
            }
            return L"无法还原 " + item.target;
        }
        files.SetAttributes(item.target, item.attributes == 0 ? kAttributeNormal : item.attributes);
        ++changed_;
        return {};
    }

    std::wstring RemoveAddedFile(const std::wstring& path) {
        FileSystem& files = Files();
        files.SetAttributes(path, kAttributeNormal);
        if (!files.RemoveFile(path)) {
            return L"无法删除本次修复新建的 " + path;
        }
        run_.Note(L"已删除 " + path);
        ++changed_;
        return {};
    }

    // A folder the run made, without what was kept in it (which keeps the folders around it).
    void RemoveTree(const std::wstring& folder) {
        if (!AnyKeptUnder(folder)) {
            if (DeleteTree(Files(), folder)) {
                run_.Note(L"已删除 " + folder);
                ++changed_;
            } else {
                problems_.push_back(L"无法删除本次修复新建的 " + folder);
            }
            return;
        }
        const auto entries = Files().ListDirectory(folder);
        if (!entries) {
            problems_.push_back(L"无法删除本次修复新建的 " + folder);
            return;
        }
        for (const DirEntry& entry : *entries) {
            const std::wstring path = folder + L"\\" + entry.name;
            if (entry.isDirectory) {
                RemoveTree(path);
            } else if (!Kept(path)) {
                Problem(RemoveAddedFile(path));
            }
        }
    }

    // Whatever the run added to a folder whose every file was recorded.
    void RemoveAdded(const std::wstring& folder) {
        const auto entries = Files().ListDirectory(folder);
        if (!entries) {
            return;
        }
        for (const DirEntry& entry : *entries) {
            const std::wstring path = folder + L"\\" + entry.name;
            if (recorded_.contains(LowerCase(path)) || Kept(path)) {
                continue;  // restored as a file, cleaned as a folder, or left on purpose
            }
            if (entry.isDirectory && !entry.isLink) {
                RemoveTree(path);
            } else if (!entry.isDirectory) {
                Problem(RemoveAddedFile(path));
            }
        }
    }

    // A folder a run removed comes back for its files; not for files only kept out of it.
    bool FolderWanted(const std::wstring& folder) const {
        if (!AnyKeptUnder(folder)) {
            return true;
        }
        return std::any_of(record_.items.begin(), record_.items.end(), [&](const UndoItem& i) {
            return i.kind == UndoItemKind::File && IsInsideFolder(i.target, folder) &&
                   !Kept(i.target);
        });
    }

    // The system store Windows held open (and its hive logs, which the registry keeps) came back
    // through its exported copy, not as a file.
    bool CoveredByExport(const std::wstring& path) const {
        return IsStoreFile(path) &&
               std::any_of(record_.items.begin(), record_.items.end(),
                           [](const UndoItem& i) { return i.kind == UndoItemKind::ExportedStore; });
    }

    RepairRun& run_;
    const UndoRecord& record_;
    const std::set<std::wstring>& kept_;
    const std::set<std::wstring> recorded_;
    // Of the group being undone.
    int changed_ = 0;
    std::vector<std::wstring> problems_;
    std::vector<std::wstring> unsaved_;
};

}  // namespace

void RestoreFiles(RepairRun& run, const UndoRecord& record, const std::set<std::wstring>& kept) {
    // Groups in the order they were saved; undone backwards.
    std::vector<std::wstring> order;
    std::map<std::wstring, std::vector<const UndoItem*>> groups;
    for (const UndoItem& item : record.items) {
        if (item.target.empty() || item.kind == UndoItemKind::MbrCode ||
            item.kind == UndoItemKind::BootRecord || item.kind == UndoItemKind::KeptBackup ||
            item.kind == UndoItemKind::Volume || IsLeftState(item.kind)) {
            continue;
        }
        const std::wstring group = GroupOf(item.target);
        if (!groups.contains(group)) {
            order.push_back(group);
        }
        groups[group].push_back(&item);
    }
    GroupRestore restore(run, record, kept);
    for (auto group = order.rbegin(); group != order.rend(); ++group) {
        restore.Restore(*group, groups[*group]);
    }
}

void RemoveTemporary(RepairRun& run, const UndoItem& item) {
    FileSystem& files = run.Ports().files;
    const auto bytes = files.ReadFileBytes(item.target, item.savedBytes + 1);
    if (!bytes || bytes->size() != item.savedBytes || Crc32(*bytes) != item.savedCrc) {
        return;
    }
    if (files.RemoveFile(item.target)) {
        run.Note(L"已删除 " + item.target);
        run.Row(L"删除修复中断时留下的 " + item.target + L"......成功");
    } else {
        run.FailedRow(L"删除修复中断时留下的 " + item.target, {L"无法删除该文件"}, false);
    }
}

}  // namespace qn

#include "undo/undo_redo.h"

#include <algorithm>
#include <set>

#include "boot/bcd_commands.h"
#include "boot/text_helpers.h"
#include "boot/time_stamp.h"
#include "disk/storage_queries.h"
#include "record/undo_record_rules.h"
#include "record/undo_record_text.h"
#include "record/undo_recorder.h"
#include "run/repair_guards.h"

namespace qn {
namespace {

// The drives ("C:") whose boot files the record brings back.
std::vector<std::wstring> DrivesOfBootFiles(const UndoRecord& record) {
    std::vector<std::wstring> drives;
    for (const UndoItem& item : record.items) {
        const bool bootFile =
            item.kind == UndoItemKind::Folder || item.kind == UndoItemKind::Unsaved ||
            item.kind == UndoItemKind::AbsentFile || item.kind == UndoItemKind::AbsentFolder ||
            item.kind == UndoItemKind::AbsentParent ||
            (item.kind == UndoItemKind::File && IsInsideFolder(item.saved, record.folder));
        if (!bootFile || item.target.size() < 2 || item.target[1] != L':') {
            continue;
        }
        const std::wstring drive = item.target.substr(0, 2);
        if (std::none_of(drives.begin(), drives.end(),
                         [&](const std::wstring& d) { return EqualsIgnoringCase(d, drive); })) {
            drives.push_back(drive);
        }
    }
    return drives;
}

// Imported only into the system it came from (ImportStore): that store is exported first.
void ExportSystemStoreForRedo(RepairRun& run, UndoRecorder& redo, const UndoRecord& record,
                              std::vector<std::wstring>& lost) {
    const std::wstring systemStore = SystemStoreOrigin(run.Ports().files, run.Ports().storage);
    for (const UndoItem& item : record.items) {
        if (item.kind != UndoItemKind::ExportedStore || item.target != systemStore ||
            systemStore.empty()) {
            continue;
        }
        const std::wstring path = redo.Record().folder + L"\\system_BCD";
        if (run.RunTool(CarriedTool::Bcdedit, ExportStoreCommand(path))) {
            lost.push_back(L"无法导出系统 BCD 存储");
        } else {
            redo.StoreExported(systemStore, path);
        }
        break;
    }
}

void SaveBootFilesForRedo(RepairRun& run, UndoRecorder& redo, const UndoRecord& record,
                          std::vector<std::wstring>& lost) {
    std::vector<std::wstring> unsaved;
    for (const std::wstring& drive : DrivesOfBootFiles(record)) {
        const std::wstring row = L"备份 " + drive + L" 现在的引导文件以便重做";
        run.Row(row + L"......");
        for (std::wstring& path : redo.SaveBootFiles(drive)) {
            // A store Windows holds open is never copied back by undo either: it goes back
            // through its export, or stays as it is.
            if (!IsStoreFile(path)) {
                unsaved.push_back(std::move(path));
            }
        }
        run.ReplaceRow(row + L"......完成");
    }
    if (!unsaved.empty()) {
        lost.push_back(L"有 " + std::to_wstring(unsaved.size()) + L" 个引导文件无法备份（如 " +
                       unsaved.front() + L"）");
    }
}

// Each volume's boot code with, on the disk it is on, the master boot record's.
void SaveBootCodeForRedo(StoragePort& storage, UndoRecorder& redo, const UndoRecord& record,
                         std::vector<std::wstring>& lost) {
    std::set<std::wstring> disksSaved;
    auto saveCode = [&](char letter, bool withMbr) {
        const std::wstring drive = DriveText(letter);
        if (!redo.SaveBootCode(letter, withMbr)) {
            lost.push_back(L"无法保存 " + drive +
                           (withMbr ? L" 的引导代码和所在磁盘的主引导记录" : L" 的引导代码"));
        } else if (withMbr) {
            disksSaved.insert(std::to_wstring(GetDiskNumberOfLetter(storage, letter)));
        }
    };
    auto mbrOf = [&](char letter) {
        const std::wstring disk = std::to_wstring(GetDiskNumberOfLetter(storage, letter));
        return std::any_of(record.items.begin(), record.items.end(), [&](const UndoItem& i) {
            return i.kind == UndoItemKind::MbrCode && i.target == disk;
        });
    };
    for (const UndoItem& item : record.items) {
        if (item.kind == UndoItemKind::BootRecord) {
            const char letter = static_cast<char>(item.target[0]);
            saveCode(letter, mbrOf(letter));
        }
    }
    for (const UndoItem& item : record.items) {
        if (item.kind != UndoItemKind::MbrCode || disksSaved.contains(item.target)) {
            continue;
        }
        // A disk's master boot record alone: through a volume on it the record names.
        const auto volume =
            std::find_if(record.items.begin(), record.items.end(), [&](const UndoItem& i) {
                return i.kind == UndoItemKind::Volume &&
                       std::to_wstring(GetDiskNumberOfLetter(
                           storage, static_cast<char>(i.target[0]))) == item.target;
            });
        if (volume == record.items.end()) {
            lost.push_back(L"无法保存磁盘" + item.target + L" 的主引导记录");
        } else {
            saveCode(static_cast<char>(volume->target[0]), true);
        }
    }
}

// Unknown now, the order is not changed by undo either (RestoreFirmwareOrder).
void SaveFirmwareOrderForRedo(UndoRecorder& redo, const UndoRecord& record,
                              const BootDiagnosis& now) {
    const bool ordered =
        std::any_of(record.items.begin(), record.items.end(),
                    [](const UndoItem& i) { return i.kind == UndoItemKind::FirmwareOrder; });
    if (ordered && now.firmwareOrderKnown) {
        std::vector<std::wstring> order;
        for (const FirmwareBootEntry& entry : now.firmwareOrder) {
            order.push_back(entry.identifier);
        }
        redo.SaveFirmwareOrder(order);
    }
}

}  // namespace

// UndoLossGuard in an undo's words: what could not be saved cannot be redone.
RepairGuard RedoLossGuard(const std::wstring& lost) {
    RepairGuard guard = UndoLossGuard(lost);
    guard.finding = lost + L"，本次撤销将无法重做";
    guard.question = guard.finding + L"。\n\n确定(Y)：仍然撤销（无法重做）\n取消(C)：不做任何更改";
    guard.yesMeaning = L"仍然撤销（无法重做）";
    return guard;
}

// A run's record (the recorder's copies and folders, boot code, the firmware's order) rather than
// an editor save's, which holds only the backup it made beside the store or boot.ini: only a run's
// is saved again for redo (an editor save is made again in the editor).
bool RecordedByARun(const UndoRecord& record) {
    return std::any_of(record.items.begin(), record.items.end(), [&](const UndoItem& item) {
        switch (item.kind) {
            case UndoItemKind::File:
                return IsInsideFolder(item.saved, record.folder);
            case UndoItemKind::Folder:
            case UndoItemKind::Unsaved:
            case UndoItemKind::AbsentFile:
            case UndoItemKind::AbsentFolder:
            case UndoItemKind::AbsentParent:
            case UndoItemKind::BootRecord:
            case UndoItemKind::MbrCode:
            case UndoItemKind::FirmwareOrder:
                return true;
            default:
                return false;
        }
    });
}

// The folder for the redo record: beside the one undo reads, named as a run's.
std::wstring RedoFolder(FileSystem& files, const UndoRecord& record, const SystemTime& time) {
    const std::size_t slash = record.folder.find_last_of(L'\\');
    return slash == std::wstring::npos
               ? std::wstring()
               : FreeUndoFolder(files, record.folder.substr(0, slash), FormatTimeStamp(time));
}

// Saves what the undo is about to change, as a run saves what it will change, into redo: the
// boot files of the record's drives, the boot code it writes back, the firmware's order and the
// system store it imports into. What could not be saved (empty: everything was), for
// RedoLossGuard.
std::wstring SaveForRedo(RepairRun& run, UndoRecorder& redo, const UndoRecord& record,
                         const BootDiagnosis& now) {
    if (!redo.Open()) {
        run.Row(L"无法建立重做所需的备份文件夹，本次撤销将无法重做");
        return L"无法建立重做所需的备份文件夹";
    }
    std::vector<std::wstring> lost;
    ExportSystemStoreForRedo(run, redo, record, lost);
    SaveBootFilesForRedo(run, redo, record, lost);
    SaveBootCodeForRedo(run.Ports().storage, redo, record, lost);
    SaveFirmwareOrderForRedo(redo, record, now);
    std::wstring text;
    for (const std::wstring& part : lost) {
        text += (text.empty() ? L"" : L"；") + part;
    }
    return text;
}

}  // namespace qn

#include "repair/store_backup.h"

#include "boot/backup_copy.h"
#include "boot/bcd_commands.h"
#include "boot/desktop_folder.h"
#include "boot/time_stamp.h"
#include "disk/storage_queries.h"

namespace qn {
namespace {

bool CopiesTheFile(const RepairRequest& request, const BootTarget& target, StoragePort& storage) {
    if (!target.partition.HasLetter()) {
        return false;
    }
    // A running system keeps its own store open: the file cannot be copied, only exported.
    return request.isWinPE || GetDiskNumberOfLetter(storage, target.partition.letter) != 0;
}

void ClearSystemStore(RepairRun& run) {
    BcdTool bcdedit = run.Bcdedit();
    if (bcdedit.path.empty()) {
        run.FailedRow(L"清除系统 BCD 中原有的启动项",
                      {L"缺少 bcdedit.exe（程序未内置，系统中也没有）"}, false);
        return;
    }
    BcdListing listing;
    EnumAllEntries(bcdedit, std::wstring(), listing);
    if (auto failure = run.LastRunFailure(CarriedTool::Bcdedit)) {
        run.FailedRow(L"清除系统 BCD 中原有的启动项", *failure, false);
        return;
    }
    int deleted = 0;
    std::optional<StepFailure> firstFailure;
    for (const std::wstring& id : listing.bootManager.displayorder) {
        if (id.empty()) {
            continue;
        }
        if (auto failure = run.RunTool(CarriedTool::Bcdedit, DeleteEntryCommand(id))) {
            firstFailure = firstFailure ? firstFailure : failure;
        } else {
            ++deleted;
        }
    }
    if (firstFailure) {
        run.FailedRow(L"清除系统 BCD 中原有的启动项", *firstFailure, false);
    } else {
        run.Row(L"已清除系统 BCD 中原有的 " + std::to_wstring(deleted) + L" 个启动项");
    }
}

void ExportAndClear(RepairRun& run, const RepairRequest& request, const BootTarget& target);

void CopyAndClear(RepairRun& run, const RepairRequest& request, const BootTarget& target) {
    FileSystem& files = run.Ports().files;
    if (!files.PathExists(target.store)) {
        run.Row(L"未找到 " + target.store + L"，无需备份");
        return;
    }
    const std::wstring backup = CopyToNewBackup(files, run.Ports().clock, target.store);
    if (backup.empty() && !request.isWinPE) {
        // The one store a running Windows holds open is its own system store, which cannot be
        // copied (sharing violation) but can be exported.
        run.Row(L"无法复制 " + target.store + L"（系统正在使用它），改为导出系统 BCD 存储");
        ExportAndClear(run, request, target);
        return;
    }
    if (backup.empty()) {
        run.FailedRow(L"备份 " + target.store, {L"无法复制该文件"}, false);
        if (request.clearExisting) {
            run.Row(L"没有备份，未清除原有启动项");
        }
        return;
    }
    run.AddBackup(backup);
    run.Row(L"已备份 " + target.store + L" 至 " + backup);
    if (!request.clearExisting) {
        return;
    }
    if (files.RemoveFile(target.store)) {
        run.Note(L"已删除 " + target.store);
        run.Row(L"已删除原有的 " + target.store);
    } else {
        run.FailedRow(L"删除原有的 " + target.store, {L"无法删除该文件"}, false);
    }
}

void ExportAndClear(RepairRun& run, const RepairRequest& request, const BootTarget& target) {
    FileSystem& files = run.Ports().files;
    // No store at the boot partition: nothing there to lose, and nothing to clear (the system
    // store elsewhere is not what this run rebuilds).
    if (target.partition.HasLetter() && !files.PathExists(target.store)) {
        run.Row(L"未找到 " + target.store + L"，无需备份");
        return;
    }
    const std::wstring stamp = MakeTimeStamp(run.Ports().clock);
    std::wstring stem;
    if (target.partition.HasLetter()) {
        stem = target.store + L"_" + stamp;
    } else {
        const std::wstring desktop = DesktopFolder(files);
        stem = desktop.empty() ? std::wstring() : desktop + L"BCD_" + stamp;
    }
    const std::wstring backup = stem.empty() ? std::wstring() : FreeBackupPath(files, stem);
    std::optional<StepFailure> failure;
    if (backup.empty()) {
        failure = StepFailure{L"没有可写入备份的位置"};
    } else {
        failure = run.RunTool(CarriedTool::Bcdedit, ExportStoreCommand(backup));
    }
    if (failure) {
        run.FailedRow(L"导出系统 BCD 存储", *failure, false);
        if (request.clearExisting) {
            run.Row(L"没有备份，未清除原有启动项");
        }
        return;
    }
    run.AddBackup(backup);
    if (UndoRecorder* undo = run.Undo()) {
        undo->StoreExported(SystemStoreOrigin(files, run.Ports().storage), backup);
    }
    run.Row(L"已导出系统 BCD 存储至 " + backup);
    if (request.clearExisting) {
        ClearSystemStore(run);
    }
}

}  // namespace

void BackUpAndClearStore(RepairRun& run, const RepairRequest& request, const BootTarget& target) {
    if (CopiesTheFile(request, target, run.Ports().storage)) {
        CopyAndClear(run, request, target);
    } else {
        ExportAndClear(run, request, target);
    }
}

}  // namespace qn

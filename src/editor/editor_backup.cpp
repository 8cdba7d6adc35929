#include "editor/editor_backup.h"

#include "boot/backup_copy.h"
#include "boot/bcd_commands.h"
#include "boot/command_line_quoting.h"
#include "boot/desktop_folder.h"
#include "boot/time_stamp.h"

namespace qn {
namespace {

// bcdedit writes the export itself; it is a backup only if the file is there afterwards.
EditorBackup Export(FileSystem& files, EditorBcdedit& bcdedit, const std::wstring& store,
                    const std::wstring& stem) {
    EditorBackup backup;
    const std::wstring target = FreeBackupPath(files, stem);
    if (target.empty()) {
        backup.failure = L"备份文件名均已被占用";
        return backup;
    }
    // "/export" with the store's own "/store" option: the vocabulary's export form is for the
    // system store.
    const std::wstring storePart =
        store.empty() ? std::wstring() : L"/store " + QuoteArgument(store) + L" ";
    if (auto failure = bcdedit.Run(storePart + ExportStoreCommand(target))) {
        backup.failure = *failure;
        return backup;
    }
    if (!files.PathExists(target)) {
        backup.failure = L"bcdedit.exe 未写出备份文件 " + target;
        return backup;
    }
    backup.path = target;
    backup.exported = true;
    return backup;
}

}  // namespace

EditorBackup BackUpStoreForEdit(FileSystem& files, Clock& clock, EditorBcdedit& bcdedit,
                                const std::wstring& store) {
    const std::wstring stamp = MakeTimeStamp(clock);
    if (store.empty()) {
        const std::wstring desktop = DesktopFolder(files);
        if (desktop.empty()) {
            return EditorBackup{{}, L"没有可写入备份的位置"};
        }
        return Export(files, bcdedit, store, desktop + L"BCD_" + stamp);
    }
    if (!files.PathExists(store)) {
        return EditorBackup{{}, L"找不到 " + store};
    }
    const std::wstring copy = CopyToNewBackup(files, clock, store);
    if (!copy.empty()) {
        return EditorBackup{copy, {}};
    }
    EditorBackup exported = Export(files, bcdedit, store, store + L"_" + stamp);
    if (!exported.path.empty()) {
        return exported;
    }
    exported.failure = L"无法复制该文件，导出也失败: " + exported.failure;
    return exported;
}

}  // namespace qn

#include "repair/boot_code_step.h"

#include "boot/text_helpers.h"
#include "boot/tool_output.h"

namespace qn {
namespace {

std::wstring BootCodeRow(const BootTarget& target, BootCodeKind kind, bool withMbr) {
    return std::wstring(L"写入 ") + (kind == BootCodeKind::Nt60 ? L"NT6" : L"NT5") +
           L" 引导代码至 " + target.drive +
           (withMbr ? L" 及其磁盘的主引导记录" : L"（保留磁盘的主引导记录）");
}

}  // namespace

std::wstring BootsectWarning(RepairRun& run) {
    // Written without the volume's lock (Windows or a program had files open there): the code is
    // on the disk, but something may have written over it as it went.
    const auto reason = BootsectLockWarning(run.LastRunOutput());
    if (!reason) {
        return {};
    }
    run.Note(L"警告: bootsect 未能锁定该卷就写入了引导代码: " + *reason);
    return L"（警告: 无法锁定该卷，写入可能不可靠: " + *reason + L"）";
}

void SaveBootCodeForUndo(RepairRun& run, char letter, bool withMbr) {
    UndoRecorder* undo = run.Undo();
    if (undo == nullptr || letter == 0) {
        return;
    }
    if (!undo->SaveBootCode(letter, withMbr)) {
        run.Row(L"无法保存 " + DriveText(letter) + L" 的引导代码，撤销时无法还原它");
    }
}

std::wstring BootsectParameters(BootCodeKind kind, const std::wstring& drive, bool mbr) {
    return std::wstring(kind == BootCodeKind::Nt60 ? L"/nt60 " : L"/nt52 ") + drive +
           (mbr ? L" /mbr" : L"");
}

bool WriteBootCode(RepairRun& run, const BootTarget& target, BootCodeKind kind, bool withMbr) {
    const std::wstring row = BootCodeRow(target, kind, withMbr);
    SaveBootCodeForUndo(run, target.partition.HasLetter() ? target.partition.letter : 0, withMbr);
    run.Row(row + L"...");
    if (auto failure =
            run.RunTool(CarriedTool::Bootsect, BootsectParameters(kind, target.drive, withMbr))) {
        run.FailedRow(row, *failure, true);
        return false;
    }
    run.ReplaceRow(row + L"......成功" + BootsectWarning(run));
    return true;
}

bool WriteBootCodeIfSafe(RepairRun& run, const BootTarget& target, BootCodeKind kind, bool withMbr,
                         int systemsRepaired, int olderSystemsFailed) {
    if (systemsRepaired == 0) {
        run.FailedRow(BootCodeRow(target, kind, withMbr), {L"没有系统修复成功，保留原有的引导代码"},
                      false);
        return false;
    }
    if (olderSystemsFailed > 0) {
        run.FailedRow(BootCodeRow(target, kind, withMbr),
                      {L"Vista 以前的系统没有修复成功，新的引导代码会使它无法启动，"
                       L"保留原有的引导代码"},
                      false);
        return false;
    }
    return WriteBootCode(run, target, kind, withMbr);
}

}  // namespace qn

#include "run/run_life_cycle.h"

#include "boot/desktop_folder.h"
#include "boot/text_helpers.h"
#include "boot/time_stamp.h"
#include "diagnosis/diagnose_boot.h"
#include "diagnosis/diagnosis_log.h"
#include "disk/locked_volumes.h"
#include "platform/fs_redirection.h"
#include "run/boot_target.h"
#include "run/log_places.h"
#include "run/machine_description.h"

namespace qn {
bool RunPassed(const RepairOutcome& outcome) {
    return outcome.engineRan && !outcome.stoppedByGuard && outcome.failedSteps == 0 &&
           (!outcome.judgment || outcome.judgment->boots);
}

std::wstring CompletionText(int failedSteps, std::wstring_view verb) {
    if (failedSteps == 0) {
        return std::wstring(verb) + L"完成!";
    }
    return std::wstring(verb) + L"未完成：" + std::to_wstring(failedSteps) + L" 个步骤失败";
}

BootDiagnosis DiagnoseForRun(RepairRun& run, const InstallationTable* installations,
                             char assumedBootPartition, FirmwareMode confirmedFirmware) {
    RepairPorts& ports = run.Ports();
    DiagnosisPorts diagnosis{
        ports.storage,
        ports.files,
        ports.profile,
        ports.random,
        ports.codePage,
        ports.redirection,
        ports.firmware,
        ports.inventory,
        BcdTool{ports.processes, ports.codePage, run.Tool(CarriedTool::Bcdedit).path}};
    return DiagnoseBoot(diagnosis, installations, assumedBootPartition, confirmedFirmware);
}

BootDiagnosis DiagnoseMachine(RepairPorts& ports, const InstallationTable* installations) {
    ScopedFsRedirectionOff redirection(ports.redirection);
    QuietRepairSink rows;  // the diagnosis's own tool runs are not a repair's steps
    RepairRun run(ports, rows);
    return DiagnoseForRun(run, installations);
}

void FinishRun(RepairRun& run, const RepairLogData& log, bool isWinPE, char firstLetter,
               RepairOutcome& outcome, std::wstring_view verb) {
    if (run.Interrupted()) {
        run.Row(L"已按 Ctrl+C 中断：其后的步骤没有执行，撤销记录和日志已保存");
    }
    const std::wstring stopped = verb == L"修复"
                                     ? std::wstring(kStoppedByGuardRow)
                                     : L"已按您的选择取消" + std::wstring(verb) + L"，未做任何更改";
    outcome.completion = outcome.stoppedByGuard ? stopped
                         : outcome.judgment ? JudgedCompletion(run.Failures(), *outcome.judgment)
                                            : CompletionText(run.Failures(), verb);
    run.Row(outcome.completion);
    RepairLogData data = log;
    data.record = run.Record();
    data.rows = run.Rows();
    FileSystem& files = run.Ports().files;
    const std::wstring text = FormatRepairLog(data);
    outcome.logText = text;
    std::wstring note;
    for (const LogPlace& place : LogPlaces(files, isWinPE, firstLetter)) {
        outcome.logPath = WriteRepairLog(files, run.Ports().clock, place.folder, text);
        if (!outcome.logPath.empty()) {
            note =
                place.lostAtRestart ? L"（在 Windows PE 的内存盘上，重启后丢失，请先复制）" : L"";
            break;
        }
    }
    run.Row(outcome.logPath.empty() ? std::wstring(L"修复日志无法保存")
                                    : L"修复日志: " + outcome.logPath + note);
    outcome.failedSteps = run.Failures();
    outcome.rows = run.Rows();
    outcome.backups = run.Backups();
    outcome.record = run.Record();
}

RepairLogData StartRunLog(const RunLabel& label, RepairPorts& ports,
                          const InstallationTable& installations, RepairOutcome& outcome) {
    RepairLogData log;
    log.operation = label.operation;
    log.version = label.version;
    log.time = ports.clock.LocalTime();
    outcome.machine =
        GatherMachineFacts(ports.inventory, ports.storage, ports.codePage, installations);
    log.machine = DescribeMachine(outcome.machine);
    return log;
}

UndoRecorder MakeUndoRecorder(RepairRun& run, const RunLabel& label, const SystemTime& time,
                              bool isWinPE, char firstLetter) {
    FileSystem& files = run.Ports().files;
    const std::wstring parent = LogFolder(files, isWinPE, firstLetter);
    return UndoRecorder(
        files, run.Ports().storage,
        parent.empty() ? std::wstring() : FreeUndoFolder(files, parent, FormatTimeStamp(time)),
        label.operation, FormatLogTime(time));
}

std::wstring BeginUndo(RepairRun& run, UndoRecorder& undo, const std::wstring& drive,
                       const GuardedWork& work) {
    if (!undo.Open()) {
        run.Row(L"无法建立撤销所需的备份文件夹，本次修复将无法撤销");
        return L"无法建立撤销所需的备份文件夹";
    }
    run.SetUndo(&undo);
    std::wstring lost;
    if (!drive.empty()) {
        // Copying \Boot and \EFI\Microsoft takes a moment on a slow disk: say what is going on.
        const std::wstring row = L"备份 " + drive + L" 的引导文件以便撤销";
        run.Row(row + L"......");
        std::vector<std::wstring> unsaved = undo.SaveBootFiles(drive);
        // A store a running Windows holds open cannot be copied; the store's own step exports it
        // (undo imports that) or says why it could not.
        std::erase_if(unsaved, IsStoreFile);
        run.ReplaceRow(row + L"......完成");
        if (!unsaved.empty()) {
            lost = L"有 " + std::to_wstring(unsaved.size()) + L" 个引导文件无法备份（如 " +
                   unsaved.front() + L"）";
            run.Row(lost + L"，撤销时不会还原它们");
        }
    } else if (work.runsBcdboot && work.boot.IsUnletteredEsp()) {
        lost = L"EFI 系统分区没有盘符，其中的引导文件无法备份";
    }
    // The boot code is saved now, while the run can still stop, not when it is written.
    const char letter = work.boot.letter;
    if ((work.writesBootRecord || work.writesMbrCode) && work.boot.HasLetter() &&
        !undo.SaveBootCode(letter, work.writesMbrCode)) {
        const std::wstring code =
            L"无法保存 " + DriveLetterText(letter) +
            (work.writesMbrCode ? L": 的引导代码和所在磁盘的主引导记录" : L": 的引导代码");
        lost = lost.empty() ? code : lost + L"；" + code;
    }
    return lost;
}

bool GoOnWithoutUndo(const std::wstring& lost, GuardAsker& asker, RepairLogData& log,
                     RepairOutcome& outcome) {
    if (lost.empty()) {
        return true;
    }
    const GuardOutcome answer = AskGuards({UndoLossGuard(lost)}, asker);
    outcome.guardLines.insert(outcome.guardLines.end(), answer.logLines.begin(),
                              answer.logLines.end());
    log.guards.insert(log.guards.end(), answer.logLines.begin(), answer.logLines.end());
    outcome.stoppedByGuard = answer.stop;
    return !answer.stop;
}

void FinishUndo(RepairRun& run, UndoRecorder& undo, RepairLogData& log, RepairOutcome& outcome) {
    run.SetUndo(nullptr);
    if (!outcome.engineRan) {
        undo.Discard();
        return;
    }
    outcome.undoRecord = undo.Finish();
    if (!outcome.undoRecord.empty()) {
        log.undo.push_back(L"撤销记录: " + outcome.undoRecord);
    }
}

BootDiagnosis DiagnoseAfterRun(RepairRun& run, const InstallationTable* installations,
                               const BootTarget& target, RepairLogData& log, RepairOutcome& outcome,
                               std::wstring& elsewhere, std::wstring_view written) {
    outcome.after = DiagnoseForRun(run, installations, 0, outcome.confirmedFirmware);
    log.diagnosisAfter = DiagnosisLogLines(outcome.after);
    if (FirmwareStartsTarget(outcome.after, target)) {
        return outcome.after;
    }
    // Boot files for another PC, or a second disk: judged by what that disk would start if it
    // were the one the firmware starts.
    BootDiagnosis assumed =
        DiagnoseForRun(run, installations, target.partition.letter, outcome.confirmedFirmware);
    for (const std::wstring& line : DiagnosisLogLines(assumed)) {
        log.diagnosisAfter.push_back(L"（假定固件启动 " + target.drive + L"）" + line);
    }
    const VolumeDiagnosis* volume = FindVolume(outcome.after, target.partition.letter);
    elsewhere = std::wstring(written) + L"已写入" +
                (volume != nullptr ? L"磁盘" + std::to_wstring(volume->disk) : target.drive) +
                L"；本机固件不从该磁盘启动";
    return assumed;
}

}  // namespace qn

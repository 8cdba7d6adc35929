#pragma once

// What every run shares from its start to its end: the outcome it reports, the label and head of
// its log, the diagnoses before and after, the undo record it keeps and its last rows.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "diagnosis/boot_diagnosis.h"
#include "run/boot_target.h"
#include "run/guard_asker.h"
#include "run/log_places.h"
#include "run/machine_description.h"
#include "run/repair_log.h"
#include "run/repair_ports.h"
#include "run/repair_request.h"
#include "run/repair_run.h"
#include "run/repair_sink.h"
#include "run/repair_verification.h"
#include "run/run_judgment.h"

namespace qn {

// What one run did, for the window, the unattended mode and the tests.
struct RepairOutcome {
    bool engineRan = false;       // false: nothing to repair
    bool stoppedByGuard = false;  // a guard's answer ended the run before anything was written
    bool bcdEngine = false;
    int failedSteps = 0;
    std::vector<std::wstring> rows;
    std::vector<std::wstring> backups;
    std::vector<SystemCheck> checks;
    std::vector<RunRecordEntry> record;
    std::wstring logPath;  // empty when the log could not be written
    std::wstring logText;
    MachineFacts machine;  // as the run found it
    BootDiagnosis before;  // what the machine would boot before the run
    BootDiagnosis after;   // ...and after it (empty when nothing ran)
    std::vector<std::wstring> guardLines;
    // How the user said the machine starts, when the disks and the running system disagree: the
    // diagnosis after the run judges that way.
    FirmwareMode confirmedFirmware = FirmwareMode::Unknown;
    std::wstring undoRecord;  // the record undo reads; empty when the run saved nothing
    // A repair's judgment by the diagnosis after it; none for a run that did not repair.
    std::optional<RunJudgment> judgment;
    std::wstring completion;  // the run's last row before the log's: what the window's tip says
};

// Nothing failed and, for a repair, the diagnosis after it reaches every repaired system.
bool RunPassed(const RepairOutcome& outcome);

// Names the run in its log.
struct RunLabel {
    std::wstring operation;  // "自动修复", "手动修复"
    std::wstring version;
};

// "修复完成!", or "修复未完成：N 个步骤失败" (verb "撤销" for an undo).
std::wstring CompletionText(int failedSteps, std::wstring_view verb = L"修复");

// What the machine would boot now, read with the run's bcdedit (its runs are not the repair's
// steps), judging the given installations (null: found by their files).
BootDiagnosis DiagnoseForRun(RepairRun& run, const InstallationTable* installations,
                             char assumedBootPartition = 0,
                             FirmwareMode confirmedFirmware = FirmwareMode::Unknown);
// The diagnosis after a run (into outcome.after and the log) and the one that judges it: the
// same, unless the boot files went on purpose to a partition this machine's firmware does not
// start; that disk is then judged as if it were started, and elsewhere says so.
BootDiagnosis DiagnoseAfterRun(RepairRun& run, const InstallationTable* installations,
                               const BootTarget& target, RepairLogData& log, RepairOutcome& outcome,
                               std::wstring& elsewhere, std::wstring_view written = L"引导文件");
// The same outside a run (its tool runs are nobody's steps), before a start chooses its boot
// partition or for the unattended diagnosis.
BootDiagnosis DiagnoseMachine(RepairPorts& ports, const InstallationTable* installations);

// The head of a run's log: its label, its time and the machine as the run finds it (kept in the
// outcome too).
RepairLogData StartRunLog(const RunLabel& label, RepairPorts& ports,
                          const InstallationTable& installations, RepairOutcome& outcome);

// The recorder of a run: its folder beside the run's log ("QNBootRepair_undo_<stamp>").
UndoRecorder MakeUndoRecorder(RepairRun& run, const RunLabel& label, const SystemTime& time,
                              bool isWinPE, char firstLetter);
// Right before the run's first write: opens the recorder and saves what the work will change:
// the boot files of drive ("C:"; empty: none to save), the boot record and master boot record
// it writes. Returns what could not be saved (empty: everything was), for UndoLossGuard.
std::wstring BeginUndo(RepairRun& run, UndoRecorder& undo, const std::wstring& drive,
                       const GuardedWork& work);
// Asks whether to go on when lost is not empty; false: stop (the answer is in the log).
bool GoOnWithoutUndo(const std::wstring& lost, GuardAsker& asker, RepairLogData& log,
                     RepairOutcome& outcome);
// Writes the record and names it in the log; a run whose engine did not run leaves nothing.
void FinishUndo(RepairRun& run, UndoRecorder& undo, RepairLogData& log, RepairOutcome& outcome);

// The row that ends a run a guard stopped.
inline constexpr wchar_t kStoppedByGuardRow[] = L"已按您的选择取消修复，未做任何更改";

// Ends a run's rows with its completion and log rows and writes the log; shared by every run.
void FinishRun(RepairRun& run, const RepairLogData& log, bool isWinPE, char firstLetter,
               RepairOutcome& outcome, std::wstring_view verb = L"修复");

}  // namespace qn

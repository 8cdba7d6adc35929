#include "repair/mbr_repair_run.h"

#include "boot/text_helpers.h"
#include "diagnosis/diagnosis_log.h"
#include "repair/boot_code_step.h"
#include "run/machine_description.h"

namespace qn {

std::wstring MbrRepairParameters(const MbrRepairRequest& request, FileSystem& files) {
    const std::wstring drive = DriveText(request.boot.letter);
    switch (request.kind) {
        case MbrRepairKind::Nt6Pbr:
            return BootsectParameters(BootCodeKind::Nt60, drive, false);
        case MbrRepairKind::Nt5Pbr:
            return BootsectParameters(BootCodeKind::Nt52, drive, false);
        case MbrRepairKind::Mbr:
            break;
    }
    const bool store = files.PathExists(drive + L"\\Boot\\BCD");
    const bool bootIni = files.PathExists(drive + L"\\boot.ini");
    return BootsectParameters(!store && bootIni ? BootCodeKind::Nt52 : BootCodeKind::Nt60, drive,
                              true);
}

std::wstring MbrRepairLine(const MbrRepairRequest& request) {
    const std::wstring head = L"正在修复激活分区 " + DriveText(request.boot.letter) + L" ";
    switch (request.kind) {
        case MbrRepairKind::Nt6Pbr:
            return head + L"NT6 PBR引导......";
        case MbrRepairKind::Nt5Pbr:
            return head + L"NT5 PBR引导......";
        case MbrRepairKind::Mbr:
            break;
    }
    return head + L"所属硬盘的MBR主引导......";
}

RepairOutcome RunMbrRepair(const MbrRepairRequest& request, RepairPorts& ports, RepairSink& sink,
                           const RunLabel& label, GuardAsker& asker) {
    ScopedFsRedirectionOff redirection(ports.redirection);
    RepairOutcome outcome;
    RepairRun run(ports, sink);
    const std::wstring parameters = MbrRepairParameters(request, ports.files);

    RepairLogData log = StartRunLog(label, ports, {}, outcome);
    log.inputs = {L"分区: " + DriveText(request.boot.letter), L"bootsect " + parameters};

    outcome.before = DiagnoseForRun(run, nullptr);
    log.diagnosisBefore = DiagnosisLogLines(outcome.before);
    if (request.boot.style == PartitionStyle::Gpt) {
        // UEFI firmware runs no boot code from a GPT disk, and bootsect leaves its protective MBR
        // as it is: there is nothing here to repair.
        run.Row(L"分区表类型为: GPT");
        run.FailureRow(L"GPT硬盘不需要修复主引导与分区引导，未做任何更改");
        FinishRun(run, log, request.isWinPE, request.boot.letter, outcome);
        return outcome;
    }
    const GuardedWork work = WorkOfMbrRepair(request);
    const GuardOutcome chosen = AskGuards(DecideRepairGuards(outcome.before, work), asker);
    outcome.guardLines = chosen.logLines;
    outcome.confirmedFirmware = chosen.confirmedFirmware;
    log.guards = chosen.logLines;
    if (chosen.stop) {
        outcome.stoppedByGuard = true;
        FinishRun(run, log, request.isWinPE, request.boot.letter, outcome);
        return outcome;
    }

    UndoRecorder undo =
        MakeUndoRecorder(run, label, log.time, request.isWinPE, request.boot.letter);
    if (!GoOnWithoutUndo(BeginUndo(run, undo, std::wstring(), work), asker, log, outcome)) {
        FinishUndo(run, undo, log, outcome);
        FinishRun(run, log, request.isWinPE, request.boot.letter, outcome);
        return outcome;
    }
    run.Row(L"分区表类型为: MBR");
    const std::wstring line = MbrRepairLine(request);
    run.Row(line);
    outcome.engineRan = true;
    if (auto failure = run.RunTool(CarriedTool::Bootsect, parameters)) {
        constexpr std::size_t kDots = 6;  // the line's own "......", which the failure repeats
        run.FailedRow(line.substr(0, line.size() - kDots), *failure, true);
    } else {
        run.ReplaceRow(line + L"成功!" + BootsectWarning(run));
    }
    std::wstring elsewhere;
    const BootDiagnosis judged = DiagnoseAfterRun(run, nullptr, MakeBootTarget(request.boot), log,
                                                  outcome, elsewhere, L"引导代码");
    VerifyRepair(run, {}, judged);
    outcome.judgment = JudgeStart(judged);
    outcome.judgment->elsewhere = elsewhere;
    FinishUndo(run, undo, log, outcome);
    FinishRun(run, log, request.isWinPE, request.boot.letter, outcome);
    return outcome;
}

}  // namespace qn

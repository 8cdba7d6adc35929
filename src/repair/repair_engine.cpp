#include "repair/repair_engine.h"

#include "boot/desktop_folder.h"
#include "boot/text_helpers.h"
#include "boot/time_stamp.h"
#include "diagnosis/diagnose_boot.h"
#include "diagnosis/diagnosis_log.h"
#include "disk/locked_volumes.h"
#include "disk/windows_install.h"
#include "platform/fs_redirection.h"
#include "repair/bcd_repair.h"
#include "run/boot_target.h"
#include "run/log_places.h"
#include "run/machine_description.h"

namespace qn {
namespace {

bool AnySelected(const InstallationTable& installations) {
    for (const auto& [letter, system] : installations) {
        if (system.selected != 0) {
            return true;
        }
    }
    return false;
}

bool UsesBcdEngine(const RepairRequest& request, const BootTarget& target, FileSystem& files) {
    for (const auto& [letter, system] : request.installations) {
        if (system.selected != 0 && system.version >= kVistaVersion) {
            return true;
        }
    }
    // Older systems only: a partition that already boots through a store keeps doing so, with
    // an entry that chains to ntldr.
    if (!target.partition.HasLetter() || request.clearExisting) {
        return false;
    }
    switch (target.partition.style) {
        case PartitionStyle::Gpt:
            return files.PathExists(target.drive + L"\\EFI\\Microsoft\\Boot\\BCD") &&
                   files.PathExists(target.drive + L"\\bootmgr");
        case PartitionStyle::Mbr:
            return files.PathExists(target.drive + L"\\Boot\\BCD") &&
                   files.PathExists(target.drive + L"\\bootmgr");
        case PartitionStyle::Raw:
            break;
    }
    return false;
}

char FirstSelectedLetter(const InstallationTable& installations) {
    for (const auto& [letter, system] : installations) {
        if (system.selected != 0) {
            return letter;
        }
    }
    return installations.empty() ? 0 : installations.begin()->first;
}

std::vector<std::wstring> InputLines(const RepairRequest& request, const BootTarget& target) {
    return {
        L"引导分区: " +
            (target.partition.HasLetter() ? target.drive : std::wstring(L"ESP (没有盘符)")) +
            (request.bootReason.empty() ? std::wstring() : L"，" + request.bootReason),
        L"启动菜单等待时间: " + request.timeoutText + L" 秒",
        std::wstring(L"清除原有启动项: ") + (request.clearExisting ? L"是" : L"否"),
        std::wstring(L"运行环境: ") + (request.isWinPE ? L"Windows PE" : L"已安装的 Windows"),
    };
}

}  // namespace

EngineResult RunEngine(RepairRun& run, const RepairRequest& request, const BootTarget& target,
                       const std::function<bool()>& beforeFirstWrite) {
    EngineResult result;
    run.Row(target.partition.style == PartitionStyle::Mbr ? L"分区表类型为 MBR"
                                                          : L"分区表类型为 GPT");
    if (request.installations.empty()) {
        // A Windows on a locked BitLocker volume cannot be seen: say how to unlock it rather
        // than that there is none.
        const LockedVolumes locked = FindLockedVolumes(run.Ports().storage, run.Ports().files);
        run.FailureRow(locked.letters.empty() ? std::wstring(L"没有找到系统分区，修复失败")
                                              : BitLockerUnlockAdvice(locked.letters));
        return result;
    }
    if (!AnySelected(request.installations)) {
        run.FailureRow(L"没有选中需要修复的系统，修复失败");
        return result;
    }
    run.Row(L"修复引导至激活分区 " + target.letterText + L":");
    if (beforeFirstWrite && !beforeFirstWrite()) {
        return result;
    }
    result.ran = true;
    result.bcdEngine = UsesBcdEngine(request, target, run.Ports().files);
    result.bootCodeWritten = result.bcdEngine ? RepairBootNt6(run, request, target)
                                              : RepairBootNt5(run, request, target);
    return result;
}

RepairOutcome RunRepair(const RepairRequest& request, RepairPorts& ports, RepairSink& sink,
                        const RunLabel& label, GuardAsker& asker) {
    ScopedFsRedirectionOff redirection(ports.redirection);
    RepairOutcome outcome;
    RepairRun run(ports, sink);
    const BootTarget target = MakeBootTarget(request.boot);

    RepairLogData log = StartRunLog(label, ports, request.installations, outcome);
    log.inputs = InputLines(request, target);
    const char firstLetter = FirstSelectedLetter(request.installations);

    // Read what the machine boots now, and ask what must be asked before the first write.
    outcome.before = DiagnoseForRun(run, &request.installations);
    log.diagnosisBefore = DiagnosisLogLines(outcome.before);
    GuardedWork work = WorkOfRepair(request, outcome.before);
    const GuardOutcome chosen = AskGuards(DecideRepairGuards(outcome.before, work), asker);
    outcome.guardLines = chosen.logLines;
    outcome.confirmedFirmware = chosen.confirmedFirmware;
    log.guards = chosen.logLines;
    if (chosen.stop) {
        outcome.stoppedByGuard = true;
        FinishRun(run, log, request.isWinPE, firstLetter, outcome);
        return outcome;
    }
    RepairRequest guarded = request;
    guarded.keepMbr = guarded.keepMbr || chosen.keepMbr;
    if (!chosen.bcdbootSwitch.empty()) {
        guarded.bcdbootSwitch = chosen.bcdbootSwitch;
    }

    UndoRecorder undo = MakeUndoRecorder(run, label, log.time, request.isWinPE, firstLetter);
    work.writesMbrCode = work.writesMbrCode && !guarded.keepMbr;
    const EngineResult engine = RunEngine(run, guarded, target, [&] {
        const std::wstring lost = BeginUndo(
            run, undo, target.partition.HasLetter() ? target.drive : std::wstring(), work);
        if (outcome.before.firmwareOrderKnown) {
            std::vector<std::wstring> order;
            for (const FirmwareBootEntry& entry : outcome.before.firmwareOrder) {
                order.push_back(entry.identifier);
            }
            undo.SaveFirmwareOrder(order);
        }
        return GoOnWithoutUndo(lost, asker, log, outcome);
    });
    outcome.engineRan = engine.ran;
    outcome.bcdEngine = engine.bcdEngine;
    if (engine.ran) {
        std::wstring elsewhere;
        const BootDiagnosis judged =
            DiagnoseAfterRun(run, &request.installations, target, log, outcome, elsewhere);
        outcome.checks = VerifyRepair(run, guarded.installations, judged);
        outcome.judgment = JudgeRun(judged, guarded.installations);
        outcome.judgment->elsewhere = elsewhere;
    }
    FinishUndo(run, undo, log, outcome);
    FinishRun(run, log, request.isWinPE, firstLetter, outcome);
    return outcome;
}

}  // namespace qn

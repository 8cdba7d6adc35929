#include "app/unattended_run.h"

#include <algorithm>

#include "app/boot_partition_choice.h"
#include "app/start_summary.h"
#include "boot/full_path.h"
#include "boot/text_helpers.h"
#include "boot/utf8_text.h"
#include "boot/whole_file.h"
#include "diagnosis/diagnosis_log.h"
#include "disk/detect_status.h"
#include "disk/leftover_cleanup.h"
#include "disk/locked_volumes.h"
#include "disk/storage_queries.h"
#include "repair/repair_engine.h"
#include "repair/repair_plan.h"
#include "repair/repair_start.h"
#include "report/repair_report.h"
#include "run/machine_description.h"
#include "undo/undo_run.h"

namespace qn {
namespace {

// A script's answers: /yes goes on past every question; without it the first question ends the
// run before anything is written (and says what was asked). An undo goes on without what changed
// since the run: that question keeps those files unanswered.
class ScriptAsker final : public GuardAsker {
public:
    ScriptAsker(bool yes, ConsoleOutput& console, std::wstring verb = L"修复")
        : yes_(yes), console_(console), verb_(std::move(verb)) {}
    GuardAnswer Ask(const RepairGuard& guard) override {
        console_.Line(L"需要确认: " + guard.question);
        if (yes_) {
            console_.Line(L"已由 /yes 确认");
            return GuardAnswer::Yes;
        }
        console_.Line(guard.kind == GuardKind::UndoChangedSince
                          ? L"没有 /yes，" + guard.noMeaning
                          : L"没有 /yes，" + verb_ + L"已拒绝，未做任何更改");
        return GuardAnswer::Refused;
    }

private:
    bool yes_;
    ConsoleOutput& console_;
    std::wstring verb_;
};

// Rows on a console cannot be taken back: a row is printed once the next one comes, so a
// step's progress row appears only with its outcome.
class ConsoleSink final : public RepairSink {
public:
    explicit ConsoleSink(ConsoleOutput& console) : console_(console) {}
    ~ConsoleSink() override { Flush(); }
    void Append(const std::wstring& text) override {
        Flush();
        pending_ = text;
        has_ = true;
    }
    void ReplaceLast(const std::wstring& text) override {
        pending_ = text;
        has_ = true;
    }
    void Flush() {
        if (has_) {
            console_.Line(pending_);
            has_ = false;
        }
    }

private:
    ConsoleOutput& console_;
    std::wstring pending_;
    bool has_ = false;
};

bool WriteTextFile(FileSystem& files, const std::wstring& path, const std::string& bytes) {
    return WriteWholeFile(files, path,
                          {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
}

std::wstring LetterText(char letter) {
    return letter == kEspWithoutLetter ? std::wstring(L"ESP") : DriveText(letter);
}

// The /log and /json files a script asked for. One that cannot be written fails the run (a
// script that reads it must not take the last one for this run's): exit 1 unless nothing was
// changed on purpose (2 stays 2), said on the console.
int WriteRunReports(const CommandLineOptions& options, UnattendedPorts& ports,
                    const std::wstring& operation, const RepairRequest& request,
                    const RepairOutcome& outcome, int exitCode) {
    ConsoleOutput& console = ports.console;
    auto failed = [&](const std::wstring& what, const std::wstring& path) {
        console.Line(L"无法写入" + what + L" " + path + L"（退出码 1）");
        if (exitCode == kExitDone) {
            exitCode = kExitStepFailed;
        }
    };
    if (!options.logFile.empty() && !WriteTextFile(ports.outputFiles, options.logFile,
                                                   "\xEF\xBB\xBF" + WideToUtf8(outcome.logText))) {
        failed(L"日志文件", options.logFile);
    }
    if (!options.jsonFile.empty()) {
        RepairReportInput report;
        report.operation = operation;
        report.version = ports.version;
        report.time = ports.repair.clock.LocalTime();
        report.request = request;
        report.outcome = &outcome;
        report.exitCode = exitCode;
        if (!WriteTextFile(ports.outputFiles, options.jsonFile, RepairReportJson(report))) {
            failed(L"报告文件", options.jsonFile);
        }
    }
    return exitCode;
}

int Diagnose(const CommandLineOptions& options, UnattendedPorts& ports, bool isWinPE) {
    RepairPorts& repair = ports.repair;
    DetectStatus status;
    auto claim = DetectionClaim::TryTake(status);
    if (!claim) {
        return kExitStepFailed;
    }
    const InstallationTable installations = ScanInstallations(*claim, ports.scan);
    const BootDiagnosis diagnosis = DiagnoseMachine(repair, &installations);
    for (const std::wstring& line : DiagnosisLogLines(diagnosis)) {
        ports.console.Line(line);
    }
    // No system found may only mean that BitLocker hides it.
    if (const std::vector<char> locked = LockedVolumeLetters(diagnosis);
        installations.empty() && !locked.empty()) {
        ports.console.Line(BitLockerUnlockAdvice(locked));
    }
    ports.console.Line(isWinPE ? L"运行环境: Windows PE（未做任何更改）"
                               : L"运行环境: 已安装的 Windows（未做任何更改）");
    if (!options.jsonFile.empty()) {
        const MachineFacts facts =
            GatherMachineFacts(repair.inventory, repair.storage, repair.codePage, installations);
        if (!WriteTextFile(
                ports.outputFiles, options.jsonFile,
                DiagnosisReportJson(ports.version, repair.clock.LocalTime(), facts, diagnosis))) {
            ports.console.Line(L"无法写入报告文件 " + options.jsonFile + L"（退出码 1）");
            return kExitStepFailed;
        }
    }
    // A script asks whether the machine boots: 0 yes, 1 with the problem printed above.
    return diagnosis.boots ? kExitDone : kExitStepFailed;
}

// A killed earlier run's letters go before this run's pass gives letters of its own.
void ClearLeftovers(UnattendedPorts& ports) {
    const LeftoverCleanup cleared = ClearEarlierLeftovers(ports.mount, ports.repair.files);
    for (const std::wstring& text : cleared.cleared) {
        ports.console.Line(L"已清理上次中断的运行留下的: " + text);
    }
}

int UnattendedUndo(const CommandLineOptions& options, UnattendedPorts& ports,
                   const UndoRecord& record, bool isWinPE) {
    RepairOutcome outcome;
    {
        ConsoleSink sink(ports.console);
        ScriptAsker asker(options.yes, ports.console, L"撤销");
        outcome = RunUndo(record, ports.repair, sink,
                          RunLabel{L"撤销修复（无人值守）", ports.version}, isWinPE, asker);
    }
    return WriteRunReports(options, ports, L"undo", {}, outcome,
                           outcome.stoppedByGuard     ? kExitRefused
                           : outcome.failedSteps == 0 ? kExitDone
                                                      : kExitStepFailed);
}

// Without /boot, the partition the firmware really starts, as the diagnosis reads the machine,
// takes the boot files. How the machine starts: the running system's mode, unless the diagnosis
// reads the disks otherwise (Windows PE started the other way).
FirmwareKind ChooseBootFilesPartition(const CommandLineOptions& options, UnattendedPorts& ports,
                                      const StartSummary& summary, RepairRequest& request) {
    RepairPorts& repair = ports.repair;
    FirmwareKind firmware{repair.firmware.Mode(), repair.firmware.Architecture()};
    if (options.bootLetter) {
        return firmware;
    }
    const BootDiagnosis diagnosis = DiagnoseMachine(repair, &request.installations);
    firmware = FirmwareOf(&diagnosis);
    const BootPartitionChoice choice =
        ChooseBootPartition(summary.bootPartitions, &diagnosis, request.installations);
    request.boot = choice.partition;
    request.bootReason = choice.text;
    ports.console.Line(L"引导文件将写入: " + choice.text);
    return firmware;
}

// The boot partition and the systems to repair, into request; the exit code when the run ends
// here instead.
std::optional<int> PrepareRequest(const CommandLineOptions& options, UnattendedPorts& ports,
                                  const StartSummary& summary, RepairRequest& request) {
    if (options.bootLetter) {
        // Boot files belong on a disk's active or EFI system partition; anything else is a
        // typing mistake that would make a partition nobody boots from.
        request.boot = FindBootPartition(summary.bootPartitions, *options.bootLetter);
        if (!request.boot.Chosen()) {
            return RefuseCommandLine(L"参数 /boot 的值 " + LetterText(*options.bootLetter) +
                                         L" 不是本机的激活分区或 EFI 系统分区",
                                     ports.console);
        }
    }
    DetectStatus status;
    auto claim = DetectionClaim::TryTake(status);
    if (!claim) {
        return kExitStepFailed;
    }
    request.installations = ScanInstallations(*claim, ports.scan);
    const FirmwareKind firmware = ChooseBootFilesPartition(options, ports, summary, request);
    SelectForAutomaticRepair(request.installations, request.boot.style, firmware);
    if (auto refusal = Gpt32BitRefusal(request.boot, request.installations, firmware)) {
        ports.console.Line(*refusal);
        return kExitRefused;
    }
    return std::nullopt;
}

int PrintPlan(const RepairRequest& request, RepairPorts& repair, ConsoleOutput& console) {
    const RepairPlan plan = PlanRepair(request, repair);
    console.Line(L"自动修复将执行以下步骤（未做任何更改）:");
    for (const std::wstring& step : plan.steps) {
        console.Line(L"  " + step);
    }
    return kExitDone;
}

int UnattendedRepair(const CommandLineOptions& options, UnattendedPorts& ports,
                     const RepairRequest& request) {
    RepairOutcome outcome;
    {
        ConsoleSink sink(ports.console);
        ScriptAsker asker(options.yes, ports.console);
        outcome = RunRepair(request, ports.repair, sink,
                            RunLabel{L"自动修复（无人值守）", ports.version}, asker);
    }
    const bool passed = RunPassed(outcome);
    return WriteRunReports(options, ports, L"auto", request, outcome,
                           outcome.stoppedByGuard ? kExitRefused
                           : passed               ? kExitDone
                                                  : kExitStepFailed);
}

}  // namespace

int RefuseCommandLine(const std::wstring& message, ConsoleOutput& console) {
    console.Line(message);
    console.Line(UsageText());
    return kExitRefused;
}

int RunUnattended(const CommandLineOptions& options, UnattendedPorts& ports) {
    ConsoleOutput& console = ports.console;
    RepairPorts& repair = ports.repair;
    std::optional<UndoRecord> undoRecord;
    if (options.mode == RunMode::Undo) {
        // Read first: a record that cannot be used changes nothing, not even a letter.
        // Relative to the current folder, as the technician typed it: the record is then marked
        // used where it lies, not applied a second time.
        LoadedUndoRecord loaded =
            LoadUndoRecord(repair.files, FullPath(repair.files, options.undoRecord));
        if (!loaded.record) {
            console.Line(loaded.error);
            return kExitRefused;
        }
        undoRecord = std::move(loaded.record);
    }
    ClearLeftovers(ports);
    ScopedEspMounts mounts(ports.mount);
    // The inventory may have been built before the letters were given: the repair's ports hold
    // it already. Rebuilt once, it sees every letter the pass gave.
    DiskInfo& inventory = ports.mount.inventory(true);
    const bool isWinPE = IsWinPeSystemDirectory(repair.files.FolderPath(KnownFolder::System));
    const StartSummary summary = BuildStartSummary(SummaryInputFrom(inventory, repair.storage),
                                                   mounts.Table().espLetters, isWinPE);
    if (undoRecord) {
        return UnattendedUndo(options, ports, *undoRecord, isWinPE);
    }
    if (options.mode == RunMode::Diagnose) {
        return Diagnose(options, ports, isWinPE);
    }
    if (StartupMustAbort(summary.bootPartitions)) {
        console.Line(
            L"未检测到激活分区，请使用分区助手设置激活分区，如果是GPT磁盘则需要创建ESP分区");
        return kExitStepFailed;
    }
    RepairRequest request;
    request.timeoutText = options.timeout;
    request.clearExisting = options.clear;
    request.isWinPE = isWinPE;
    if (auto exitCode = PrepareRequest(options, ports, summary, request)) {
        return *exitCode;
    }
    if (options.mode == RunMode::Plan) {
        return PrintPlan(request, repair, console);
    }
    return UnattendedRepair(options, ports, request);
}

}  // namespace qn

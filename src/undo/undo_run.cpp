#include "undo/undo_run.h"

#include <algorithm>
#include <set>

#include "boot/crc32.h"
#include "boot/text_helpers.h"
#include "boot/time_stamp.h"
#include "diagnosis/diagnosis_log.h"
#include "platform/fs_redirection.h"
#include "record/undo_record_text.h"
#include "record/undo_recorder.h"
#include "undo/undo_boot_code.h"
#include "undo/undo_changed_since.h"
#include "undo/undo_file_restore.h"
#include "undo/undo_firmware_order.h"
#include "undo/undo_redo.h"
#include "undo/undo_store_import.h"
#include "undo/undo_volume_check.h"

namespace qn {
namespace {

// Asks one question before the first write and logs the answer.
GuardAnswer AskBeforeUndo(const RepairGuard& guard, GuardAsker& asker, RepairLogData& log,
                          RepairOutcome& outcome) {
    const GuardAnswer answer = asker.Ask(guard);
    const std::wstring chosen = answer == GuardAnswer::Yes  ? L"确定(Y)：" + guard.yesMeaning
                                : answer == GuardAnswer::No ? L"取消(C)：" + guard.noMeaning
                                                            : L"无人确认：" + guard.noMeaning;
    const std::wstring line = L"撤销前检查: " + guard.finding + L" — " + chosen;
    log.guards.push_back(line);
    outcome.guardLines.push_back(line);
    return answer;
}

// The boot code first: it was saved last, right before bootsect. Then the exported stores, the
// firmware's order and what an interrupted run left; the files last.
void RestoreAll(RepairRun& run, const UndoRecord& record, const BootDiagnosis& now,
                const std::set<std::wstring>& kept) {
    for (auto item = record.items.rbegin(); item != record.items.rend(); ++item) {
        if (item->kind == UndoItemKind::MbrCode) {
            RestoreMbrCode(run, *item);
        } else if (item->kind == UndoItemKind::BootRecord) {
            RestoreBootRecord(run, *item);
        }
    }
    for (auto item = record.items.rbegin(); item != record.items.rend(); ++item) {
        if (item->kind == UndoItemKind::ExportedStore) {
            ImportStore(run, *item);
        }
    }
    for (const UndoItem& item : record.items) {
        if (item.kind == UndoItemKind::FirmwareOrder) {
            RestoreFirmwareOrder(run, item, now);
        } else if (item.kind == UndoItemKind::Temporary) {
            RemoveTemporary(run, item);
        }
    }
    RestoreFiles(run, record, kept);
}

// Saves for redo what the undo will change (a run's record only), asks what has to be asked,
// then restores. A guard may stop it before the first write.
void UndoWithRedo(RepairRun& run, const UndoRecord& record, GuardAsker& asker, RepairLogData& log,
                  RepairOutcome& outcome) {
    RepairPorts& ports = run.Ports();
    std::optional<UndoRecorder> redo;
    if (RecordedByARun(record)) {
        redo.emplace(ports.files, ports.storage, RedoFolder(ports.files, record, log.time), L"撤销",
                     FormatLogTime(log.time));
        const std::wstring lost = SaveForRedo(run, *redo, record, outcome.before);
        if (!lost.empty() &&
            AskBeforeUndo(RedoLossGuard(lost), asker, log, outcome) != GuardAnswer::Yes) {
            // As a repair a guard stopped: nothing written, no record left behind.
            redo->Discard();
            outcome.stoppedByGuard = true;
            outcome.engineRan = false;
            return;
        }
    }
    const std::vector<std::wstring> changed = ChangedSinceTheRun(ports.files, record);
    std::set<std::wstring> kept;
    if (!changed.empty() &&
        AskBeforeUndo(ChangedSinceGuard(changed), asker, log, outcome) != GuardAnswer::Yes) {
        kept = KeepAsTheyAre(run, changed);
    }
    RestoreAll(run, record, outcome.before, kept);
    if (redo) {
        outcome.undoRecord = redo->Finish();
    }
    if (!outcome.undoRecord.empty()) {
        run.Row(L"重做记录: " + outcome.undoRecord);
        log.undo.push_back(L"重做记录: " + outcome.undoRecord);
    }
}

// Without the order from before the repair (bcdedit could not read it then) the firmware keeps
// what bcdboot put into it; say so rather than let "撤销完成!" suggest otherwise.
void NoteFirmwareEntriesKept(RepairRun& run, const UndoRecord& record,
                             const RepairOutcome& outcome) {
    const auto has = [&](auto test) {
        return std::any_of(record.items.begin(), record.items.end(), test);
    };
    const bool efiWritten = has([](const UndoItem& i) {
        return i.target.find(L"\\EFI\\") != std::wstring::npos &&
               i.kind != UndoItemKind::AbsentFolder && !IsLeftState(i.kind);
    });
    if (efiWritten && !outcome.stoppedByGuard &&
        run.Ports().firmware.Mode() == FirmwareMode::Uefi &&
        !has([](const UndoItem& i) { return i.kind == UndoItemKind::FirmwareOrder; })) {
        run.Row(L"注意: 修复前未能读取固件启动顺序，bcdboot 在固件中加入的启动项不会撤销");
    }
}

// The undo's log goes where the repair's went: beside the record's folder in Windows PE.
char FirstLetter(const UndoRecord& record) {
    if (record.folder.size() >= 2 && record.folder[1] == L':') {
        return static_cast<char>(record.folder[0]);
    }
    for (const UndoItem& item : record.items) {
        if (item.target.size() >= 2 && item.target[1] == L':') {
            return static_cast<char>(item.target[0]);
        }
    }
    return 0;
}

}  // namespace

RepairOutcome RunUndo(const UndoRecord& record, RepairPorts& ports, RepairSink& sink,
                      const RunLabel& label, bool isWinPE, GuardAsker& asker) {
    ScopedFsRedirectionOff redirection(ports.redirection);
    RepairOutcome outcome;
    RepairRun run(ports, sink);
    RepairLogData log = StartRunLog(label, ports, {}, outcome);
    log.inputs = {L"撤销记录: " + record.folder + L"\\" + kUndoRecordName,
                  L"被撤销的操作: " + record.operation + L"（" + record.time + L"）"};
    outcome.before = DiagnoseForRun(run, nullptr);
    log.diagnosisBefore = DiagnosisLogLines(outcome.before);

    run.Row(L"撤销 " + record.time + L" 的" + record.operation);
    if (!record.complete) {
        // What the run changed after its last line is not in the record.
        run.FailureRow(L"修复被中断，撤销记录不完整：只能还原其中列出的内容");
    }
    outcome.engineRan = true;
    if (SameVolumesAsRecorded(run, record)) {
        UndoWithRedo(run, record, asker, log, outcome);
    }
    NoteFirmwareEntriesKept(run, record, outcome);

    outcome.after = DiagnoseForRun(run, nullptr);
    log.diagnosisAfter = DiagnosisLogLines(outcome.after);
    if (run.Failures() == 0 && !outcome.stoppedByGuard) {
        // Done: the record is not offered again (a failed or refused undo may be tried again).
        ports.files.MoveReplacing(record.folder + L"\\" + kUndoRecordName,
                                  record.folder + L"\\" + kUndoneRecordName);
    }
    FinishRun(run, log, isWinPE, FirstLetter(record), outcome, L"撤销");
    return outcome;
}

LoadedUndoRecord LoadUndoRecord(FileSystem& files, const std::wstring& path) {
    const auto bytes = files.ReadFileBytes(path, kMaxUndoRecordBytes);
    const std::size_t slash = path.find_last_of(L'\\');
    const std::wstring folder =
        slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
    if (!bytes) {
        if (!folder.empty() && files.PathExists(folder + L"\\" + kUndoneRecordName)) {
            return {std::nullopt, L"这次修复已经撤销过了，未做任何更改: " + folder};
        }
        return {std::nullopt, L"无法读取撤销记录，未做任何更改: " + path};
    }
    auto parsed = ParseUndoRecord(
        std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), folder);
    if (auto* error = std::get_if<UndoRecordError>(&parsed)) {
        return {std::nullopt, error->text};
    }
    UndoRecord record = std::get<UndoRecord>(std::move(parsed));
    // A copy that is not what the run saved (damaged, or put there by someone else) would be
    // written over a boot file or a sector: the whole record is refused.
    for (const UndoItem& item : record.items) {
        if (!HasCopy(item.kind)) {
            continue;
        }
        const auto copy = files.ReadFileBytes(item.saved, item.savedBytes + 1);
        if (!copy || copy->size() != item.savedBytes || Crc32(*copy) != item.savedCrc) {
            return {std::nullopt, L"撤销记录保存的副本 " + item.saved +
                                      L" 已丢失或与修复时保存的不同，未做任何更改"};
        }
    }
    return {std::move(record), {}};
}

std::vector<FoundUndoRecord> FindUndoRecords(FileSystem& files,
                                             const std::vector<std::wstring>& folders) {
    std::vector<FoundUndoRecord> found;
    for (std::wstring folder : folders) {
        if (!folder.empty() && folder.back() != L'\\') {
            folder += L'\\';
        }
        const auto entries = files.ListDirectory(folder);
        if (!entries) {
            continue;
        }
        for (const DirEntry& entry : *entries) {
            constexpr std::wstring_view kPrefix = L"QNBootRepair_undo_";
            // Windows compares names without regard to case.
            if (!entry.isDirectory || entry.isLink || entry.name.size() <= kPrefix.size() ||
                !EqualsIgnoringCase(std::wstring_view(entry.name).substr(0, kPrefix.size()),
                                    kPrefix)) {
                continue;
            }
            const std::wstring path = folder + entry.name + L"\\" + kUndoRecordName;
            LoadedUndoRecord loaded = LoadUndoRecord(files, path);
            if (loaded.record) {
                found.push_back({path, std::move(*loaded.record)});
            }
        }
    }
    std::sort(found.begin(), found.end(), [](const FoundUndoRecord& a, const FoundUndoRecord& b) {
        return a.record.time != b.record.time ? a.record.time > b.record.time : a.path > b.path;
    });
    return found;
}

}  // namespace qn

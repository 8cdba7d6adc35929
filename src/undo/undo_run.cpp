#include "undo/undo_run.h"

#include <algorithm>
#include <cwctype>
#include <map>
#include <set>

#include "boot/bcd_commands.h"
#include "boot/command_line_quoting.h"
#include "boot/crc32.h"
#include "boot/text_helpers.h"
#include "boot/time_stamp.h"
#include "boot/work_dir.h"
#include "diagnosis/boot_code_classifier.h"
#include "diagnosis/diagnosis_log.h"
#include "diagnosis/firmware_boot_order.h"
#include "disk/device_paths.h"
#include "disk/storage_queries.h"
#include "record/undo_left_state.h"
#include "record/undo_record_rules.h"
#include "record/undo_record_text.h"
#include "record/undo_recorder.h"
#include "repair/boot_code_step.h"
#include "run/machine_description.h"
#include "undo/undo_boot_code.h"
#include "undo/undo_redo.h"

namespace qn {
namespace {

// Files bigger than this are compared by copying back rather than by reading both.
constexpr std::uint64_t kMaxComparedFileBytes = 64u << 20;

// Asked before undo writes over what changed after the run: a few of the paths, then how many.
RepairGuard ChangedSinceGuard(const std::vector<std::wstring>& changed) {
    constexpr std::size_t kListed = 3;
    std::wstring list;
    for (std::size_t i = 0; i < changed.size() && i < kListed; ++i) {
        list += L"\n    " + changed[i];
    }
    if (changed.size() > kListed) {
        list += L" 等 " + std::to_wstring(changed.size()) + L" 项";
    }
    RepairGuard guard;
    guard.kind = GuardKind::UndoChangedSince;
    guard.finding = std::to_wstring(changed.size()) + L" 个文件在修复后又被改动过（如 " +
                    changed.front() + L"）";
    guard.question =
        L"以下文件在修复后又被改动、新建或删除过（例如 Windows 更新了启动管理器，或其他系统装入了"
        L"自己的引导程序）：" +
        list +
        L"\n撤销会把它们换回修复前的样子，之后的改动将会丢失。\n\n确定(Y)：仍然还原这些文件\n"
        L"取消(C)：保留这些文件，只还原其余的";
    guard.onYes = GuardEffect::Proceed;
    guard.onNo = GuardEffect::Proceed;
    guard.yesMeaning = L"仍然还原这些文件";
    guard.noMeaning = L"保留这些文件，只还原其余的";
    return guard;
}

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

class UndoWork {
public:
    UndoWork(RepairRun& run, const UndoRecord& record, const BootDiagnosis& now)
        : run_(run), record_(record), now_(now), left_(record) {
        for (const UndoItem& item : record.items) {
            if (item.kind == UndoItemKind::File || item.kind == UndoItemKind::Folder ||
                item.kind == UndoItemKind::Unsaved || item.kind == UndoItemKind::KeptBackup) {
                known_.insert(LowerCase(item.target));
            }
        }
    }

    // What the run left and was changed since, of what undo is about to write over or remove: a
    // file changed, removed or created after the record's last look at it. Nothing for a record
    // that does not say what its run left.
    std::vector<std::wstring> ChangedSinceTheRun() {
        std::vector<std::wstring> changed;
        std::set<std::wstring> seen;
        auto add = [&](const std::wstring& path) {
            if (seen.insert(LowerCase(path)).second) {
                changed.push_back(path);
            }
        };
        if (!left_.Any()) {
            return changed;
        }
        for (const UndoItem& item : record_.items) {
            switch (item.kind) {
                case UndoItemKind::File:
                    if (FileChangedSince(item)) {
                        add(item.target);
                    }
                    break;
                case UndoItemKind::AbsentFile:
                    if (const UndoItem* was = left_.Find(item.target);
                        was != nullptr && Files().PathExists(item.target) &&
                        !SameAsLeft(*was, LeftStateOf(Files(), item.target))) {
                        add(item.target);
                    }
                    break;
                case UndoItemKind::Folder:
                case UndoItemKind::AbsentFolder:
                    for (const std::wstring& path : FilesUndoRemoves(item)) {
                        if (AddedFileChangedSince(path)) {
                            add(path);
                        }
                    }
                    break;
                default:
                    break;
            }
        }
        return changed;
    }

    // Left as they are now, each said to be so (and counted: the undo is not complete).
    void Keep(const std::vector<std::wstring>& paths) {
        for (const std::wstring& path : paths) {
            kept_.insert(LowerCase(path));
            run_.FailureRow(L"已在修复后被改动，保留未还原: " + path);
        }
    }

    void Restore() {
        // The boot code first: it was saved last, right before bootsect.
        for (auto item = record_.items.rbegin(); item != record_.items.rend(); ++item) {
            if (item->kind == UndoItemKind::MbrCode) {
                RestoreMbrCode(run_, *item);
            } else if (item->kind == UndoItemKind::BootRecord) {
                RestoreBootRecord(run_, *item);
            }
        }
        for (auto item = record_.items.rbegin(); item != record_.items.rend(); ++item) {
            if (item->kind == UndoItemKind::ExportedStore) {
                ImportStore(*item);
            }
        }
        for (const UndoItem& item : record_.items) {
            if (item.kind == UndoItemKind::FirmwareOrder) {
                RestoreFirmwareOrder(item);
            } else if (item.kind == UndoItemKind::Temporary) {
                RemoveTemporary(item);
            }
        }
        RestoreFiles();
    }

    // Left behind by a run that died while bcdboot ran; a file of that name that is not the one
    // the run wrote is someone else's.
    void RemoveTemporary(const UndoItem& item) {
        const auto bytes = Files().ReadFileBytes(item.target, item.savedBytes + 1);
        if (!bytes || bytes->size() != item.savedBytes || Crc32(*bytes) != item.savedCrc) {
            return;
        }
        if (Files().RemoveFile(item.target)) {
            run_.Note(L"已删除 " + item.target);
            run_.Row(L"删除修复中断时留下的 " + item.target + L"......成功");
        } else {
            run_.FailedRow(L"删除修复中断时留下的 " + item.target, {L"无法删除该文件"}, false);
        }
    }

    // A letter may name another volume by now (a temporary letter, another boot, a stick):
    // copying or clearing there would destroy what is not ours. Nothing is done then.
    bool SameVolumes() {
        bool same = true;
        for (const UndoItem& item : record_.items) {
            if (item.kind != UndoItemKind::Volume) {
                continue;
            }
            const std::wstring now =
                VolumeIdentity(run_.Ports().storage, static_cast<char>(item.target[0]));
            if (now != item.saved) {
                run_.FailureRow(item.target + L" 已不是修复时的那个分区（修复时 " + item.saved +
                                L"，现在 " + (now.empty() ? std::wstring(L"没有卷") : now) +
                                L"），为安全起见撤销未做任何更改");
                same = false;
            }
        }
        return same;
    }

private:
    FileSystem& Files() { return run_.Ports().files; }

    bool Kept(const std::wstring& path) const { return kept_.contains(LowerCase(path)); }

    bool AnyKeptUnder(const std::wstring& folder) const {
        return std::any_of(kept_.begin(), kept_.end(), [&](const std::wstring& path) {
            return IsInsideFolder(path, LowerCase(folder));
        });
    }

    // A File's target: undo copies the saved file back unless it already is that file.
    bool FileChangedSince(const UndoItem& item) {
        const UndoItem* was = left_.Find(item.target);
        if (was == nullptr) {
            return false;  // a record that does not say: as before
        }
        const auto now = LeftStateOf(Files(), item.target);
        const bool isTheCopy = now && now->kind == UndoItemKind::LeftFile &&
                               now->savedBytes == item.savedBytes && now->savedCrc == item.savedCrc;
        return !isTheCopy && !SameAsLeft(*was, now);
    }

    // A file undo removes as the run's own: one the record does not know came later.
    bool AddedFileChangedSince(const std::wstring& path) {
        const UndoItem* was = left_.Find(path);
        if (was == nullptr) {
            return left_.ListsEveryFile();
        }
        return !SameAsLeft(*was, LeftStateOf(Files(), path));
    }

    // The files a Folder's or AbsentFolder's undo removes as it stands now.
    std::vector<std::wstring> FilesUndoRemoves(const UndoItem& item) {
        std::vector<std::wstring> files;
        if (item.kind == UndoItemKind::AbsentFolder) {
            return FilesInTree(Files(), item.target);
        }
        const auto entries = Files().ListDirectory(item.target);
        if (!entries) {
            return files;
        }
        for (const DirEntry& entry : *entries) {
            const std::wstring path = item.target + L"\\" + entry.name;
            if (known_.contains(LowerCase(path))) {
                continue;
            }
            if (!entry.isDirectory) {
                files.push_back(path);
            } else if (!entry.isLink) {
                for (std::wstring& inside : FilesInTree(Files(), path)) {
                    files.push_back(std::move(inside));
                }
            }
        }
        return files;
    }

    // bcdboot puts Windows Boot Manager first in the UEFI boot order (and adds it when it was
    // not there); the order goes back as it was, through bcdedit's {fwbootmgr}.
    void RestoreFirmwareOrder(const UndoItem& item) {
        const std::wstring row = L"还原固件启动顺序";
        const auto order = FirmwareOrderFromText(item.saved);
        std::vector<std::wstring> current;
        for (const FirmwareBootEntry& entry : now_.firmwareOrder) {
            current.push_back(entry.identifier);
        }
        auto same = [](const std::vector<std::wstring>& a, const std::vector<std::wstring>& b) {
            return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                              [](const std::wstring& x, const std::wstring& y) {
                                  return EqualsIgnoringCase(x, y) ||
                                         (IsBootmgrIdentifier(x) && IsBootmgrIdentifier(y));
                              });
        };
        if (!order || !now_.firmwareOrderKnown) {
            run_.FailedRow(row, {L"无法读取现在的固件启动顺序"}, false);
            return;
        }
        if (same(*order, current)) {
            run_.Row(row + L"......无需还原（未改变）");
            return;
        }
        std::wstring parameters = L"/deletevalue {fwbootmgr} displayorder";
        if (!order->empty()) {
            parameters = L"/set {fwbootmgr} displayorder";
            for (const std::wstring& id : *order) {
                parameters += L" " + id;
            }
        }
        run_.Row(row + L"...");
        if (auto failure = run_.RunTool(CarriedTool::Bcdedit, parameters)) {
            run_.FailedRow(row, *failure, true);
        } else {
            run_.ReplaceRow(row + L"......成功");
        }
    }

    // bcdedit /import without /store writes the running system's store: only the system the
    // export came from may take it (not Windows PE's own store, not another PC's).
    void ImportStore(const UndoItem& item) {
        const bool system = item.target.starts_with(kSystemStoreOriginPrefix);
        const std::wstring row = L"从 " + item.saved + L" 导入" +
                                 (system ? std::wstring(L"系统 BCD 存储") : L" " + item.target);
        if (!Files().PathExists(item.saved)) {
            run_.FailedRow(row, {L"找不到导出的存储文件"}, false);
            return;
        }
        std::wstring parameters = ImportStoreCommand(item.saved);
        if (system) {
            const std::wstring now = SystemStoreOrigin(Files(), run_.Ports().storage);
            if (now != item.target) {
                const std::size_t prefix = std::wstring_view(kSystemStoreOriginPrefix).size();
                run_.FailedRow(row,
                               {L"导出的是另一个系统的 BCD 存储（导出时系统分区 " +
                                item.target.substr(prefix) + L"，现在 " +
                                (now.empty() ? std::wstring(L"无法确定") : now.substr(prefix)) +
                                L"），为安全起见未导入"},
                               false);
                return;
            }
        } else {
            if (!Files().PathExists(item.target)) {
                run_.FailedRow(row, {L"找不到存储文件 " + item.target}, false);
                return;
            }
            parameters = L"/store " + QuoteArgument(item.target) + L" " + parameters;
        }
        run_.Row(row + L"...");
        if (auto failure = run_.RunTool(CarriedTool::Bcdedit, parameters)) {
            run_.FailedRow(row, *failure, true);
        } else {
            run_.ReplaceRow(row + L"......成功");
        }
    }

    // "C:\Boot\fonts\x.ttf" belongs to "C:\Boot"; a root file to itself.
    static std::wstring GroupOf(const std::wstring& path) {
        const std::size_t second = path.find(L'\\', 3);
        return second == std::wstring::npos ? path : path.substr(0, second);
    }

    bool SameFile(const std::wstring& a, const std::wstring& b) {
        const auto left = Files().ReadFileBytes(a, kMaxComparedFileBytes);
        const auto right = left ? Files().ReadFileBytes(b, kMaxComparedFileBytes) : std::nullopt;
        return left && right && *left == *right;
    }

    // The problem, or empty when the file is back.
    std::wstring RestoreFile(const UndoItem& item) {
        FileSystem& files = Files();
        const auto now = files.Attributes(item.target);
        if (now && *now == item.attributes && SameFile(item.saved, item.target)) {
            return {};
        }
        if (!files.PathExists(item.saved)) {
            return L"找不到备份 " + item.saved;
        }
        // A read-only, hidden or system file (bootmgr, ntldr) refuses to be replaced.
        if (now) {
            files.SetAttributes(item.target, kAttributeNormal);
        }
        if (!files.CopyFileTo(item.saved, item.target, true)) {
            if (now) {
                files.SetAttributes(item.target, *now);
            }
            return L"无法还原 " + item.target;
        }
        files.SetAttributes(item.target, item.attributes == 0 ? kAttributeNormal : item.attributes);
        ++changed_;
        return {};
    }

    std::wstring RemoveAddedFile(const std::wstring& path) {
        FileSystem& files = Files();
        files.SetAttributes(path, kAttributeNormal);
        if (!files.RemoveFile(path)) {
            return L"无法删除本次修复新建的 " + path;
        }
        run_.Note(L"已删除 " + path);
        ++changed_;
        return {};
    }

    // A folder the run made, without what was kept in it (which keeps the folders around it).
    void RemoveTree(const std::wstring& folder, std::vector<std::wstring>& problems) {
        if (!AnyKeptUnder(folder)) {
            if (DeleteTree(Files(), folder)) {
                run_.Note(L"已删除 " + folder);
                ++changed_;
            } else {
                problems.push_back(L"无法删除本次修复新建的 " + folder);
            }
            return;
        }
        const auto entries = Files().ListDirectory(folder);
        if (!entries) {
            problems.push_back(L"无法删除本次修复新建的 " + folder);
            return;
        }
        for (const DirEntry& entry : *entries) {
            const std::wstring path = folder + L"\\" + entry.name;
            if (entry.isDirectory) {
                RemoveTree(path, problems);
            } else if (!Kept(path)) {
                if (auto problem = RemoveAddedFile(path); !problem.empty()) {
                    problems.push_back(problem);
                }
            }
        }
    }

    // Whatever the run added to a folder whose every file was recorded.
    void RemoveAdded(const std::wstring& folder, std::vector<std::wstring>& problems) {
        const auto entries = Files().ListDirectory(folder);
        if (!entries) {
            return;
        }
        for (const DirEntry& entry : *entries) {
            const std::wstring path = folder + L"\\" + entry.name;
            if (known_.contains(LowerCase(path)) || Kept(path)) {
                continue;  // restored as a file, cleaned as a folder, or left on purpose
            }
            if (entry.isDirectory && !entry.isLink) {
                RemoveTree(path, problems);
            } else if (!entry.isDirectory) {
                if (auto problem = RemoveAddedFile(path); !problem.empty()) {
                    problems.push_back(problem);
                }
            }
        }
    }

    // A folder a run removed comes back for its files; not for files only kept out of it.
    bool FolderWanted(const std::wstring& folder) const {
        if (!AnyKeptUnder(folder)) {
            return true;
        }
        return std::any_of(record_.items.begin(), record_.items.end(), [&](const UndoItem& i) {
            return i.kind == UndoItemKind::File && IsInsideFolder(i.target, folder) &&
                   !Kept(i.target);
        });
    }

    void RestoreFiles() {
        // Groups in the order they were saved; undone backwards.
        std::vector<std::wstring> order;
        std::map<std::wstring, std::vector<const UndoItem*>> groups;
        for (const UndoItem& item : record_.items) {
            if (item.target.empty() || item.kind == UndoItemKind::MbrCode ||
                item.kind == UndoItemKind::BootRecord || item.kind == UndoItemKind::KeptBackup ||
                item.kind == UndoItemKind::Volume || IsLeftState(item.kind)) {
                continue;
            }
            const std::wstring group = GroupOf(item.target);
            if (!groups.contains(group)) {
                order.push_back(group);
            }
            groups[group].push_back(&item);
        }
        for (auto group = order.rbegin(); group != order.rend(); ++group) {
            RestoreGroup(*group, groups[*group]);
        }
    }

    void RestoreGroup(const std::wstring& group, const std::vector<const UndoItem*>& items) {
        changed_ = 0;
        std::vector<std::wstring> problems;
        std::vector<std::wstring> unsaved;
        // Folders a run removed come back first, parents before children, for their files.
        for (const UndoItem* item : items) {
            if (item->kind == UndoItemKind::Folder && !Files().PathExists(item->target) &&
                FolderWanted(item->target) &&
                Files().MakeDirectory(item->target) == CreateDirResult::Failed) {
                problems.push_back(L"无法重建文件夹 " + item->target);
            }
        }
        for (auto it = items.rbegin(); it != items.rend(); ++it) {
            const UndoItem& item = **it;
            std::wstring problem;
            switch (item.kind) {
                case UndoItemKind::File:
                    if (!Kept(item.target)) {
                        problem = RestoreFile(item);
                    }
                    break;
                case UndoItemKind::Folder:
                    RemoveAdded(item.target, problems);
                    break;
                case UndoItemKind::AbsentFile:
                    if (Files().PathExists(item.target) && !Kept(item.target)) {
                        problem = RemoveAddedFile(item.target);
                    }
                    break;
                case UndoItemKind::AbsentFolder:
                    if (Files().PathExists(item.target)) {
                        RemoveTree(item.target, problems);
                    }
                    break;
                case UndoItemKind::AbsentParent:
                    // Emptied by the children before it; anything else in it is not ours.
                    if (Files().PathExists(item.target) &&
                        Files().RemoveEmptyDirectory(item.target)) {
                        run_.Note(L"已删除 " + item.target);
                        ++changed_;
                    }
                    break;
                case UndoItemKind::Unsaved:
                    if (!CoveredByExport(item.target)) {
                        unsaved.push_back(item.target);
                    }
                    break;
                default:
                    break;
            }
            if (!problem.empty()) {
                problems.push_back(problem);
            }
        }
        const std::wstring row = L"还原 " + group;
        if (!problems.empty()) {
            std::wstring detail = problems.front();
            if (problems.size() > 1) {
                detail += L" 等 " + std::to_wstring(problems.size()) + L" 项";
            }
            run_.FailedRow(row, {detail}, false);
        } else if (changed_ == 0) {
            // A file or folder that was not there and still is not: nothing to say.
            // What was kept has its own row.
            const bool existed = std::any_of(items.begin(), items.end(), [&](const UndoItem* i) {
                return (i->kind == UndoItemKind::File || i->kind == UndoItemKind::Folder) &&
                       !Kept(i->target);
            });
            if (existed) {
                run_.Row(row + L"......无需还原（未改变）");
            }
        } else {
            run_.Row(row + L"......成功");
        }
        if (!unsaved.empty()) {
            // Not brought back is not undone: the run must not say it is.
            run_.FailureRow(L"未能还原（修复前未能备份）: " + unsaved.front() +
                            (unsaved.size() > 1 ? L" 等 " + std::to_wstring(unsaved.size()) + L" 项"
                                                : std::wstring()));
        }
    }

    // The system store Windows held open (and its hive logs, which the registry keeps) came back
    // through its exported copy, not as a file.
    bool CoveredByExport(const std::wstring& path) const {
        return IsStoreFile(path) &&
               std::any_of(record_.items.begin(), record_.items.end(),
                           [](const UndoItem& i) { return i.kind == UndoItemKind::ExportedStore; });
    }

    RepairRun& run_;
    const UndoRecord& record_;
    const BootDiagnosis& now_;
    const LeftStates left_;
    std::set<std::wstring> known_;
    // Changed since the run and left as they are, by the user's choice (lower case).
    std::set<std::wstring> kept_;
    int changed_ = 0;
};

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
    UndoWork work(run, record, outcome.before);
    if (work.SameVolumes()) {
        std::optional<UndoRecorder> redo;
        bool goOn = true;
        if (RecordedByARun(record)) {
            redo.emplace(ports.files, ports.storage, RedoFolder(ports.files, record, log.time),
                         L"撤销", FormatLogTime(log.time));
            const std::wstring lost = SaveForRedo(run, *redo, record, outcome.before);
            goOn = lost.empty() ||
                   AskBeforeUndo(RedoLossGuard(lost), asker, log, outcome) == GuardAnswer::Yes;
        }
        if (goOn) {
            const std::vector<std::wstring> changed = work.ChangedSinceTheRun();
            if (!changed.empty() && AskBeforeUndo(ChangedSinceGuard(changed), asker, log,
                                                  outcome) != GuardAnswer::Yes) {
                work.Keep(changed);
            }
            work.Restore();
            if (redo) {
                outcome.undoRecord = redo->Finish();
            }
            if (!outcome.undoRecord.empty()) {
                run.Row(L"重做记录: " + outcome.undoRecord);
                log.undo.push_back(L"重做记录: " + outcome.undoRecord);
            }
        } else {
            // As a repair a guard stopped: nothing written, no record left behind.
            redo->Discard();
            outcome.stoppedByGuard = true;
            outcome.engineRan = false;
        }
    }
    // Without the order from before the repair (bcdedit could not read it then) the firmware
    // keeps what bcdboot put into it; say so rather than let "撤销完成!" suggest otherwise.
    const auto has = [&](auto test) {
        return std::any_of(record.items.begin(), record.items.end(), test);
    };
    const bool efiWritten = has([](const UndoItem& i) {
        return i.target.find(L"\\EFI\\") != std::wstring::npos &&
               i.kind != UndoItemKind::AbsentFolder && !IsLeftState(i.kind);
    });
    if (efiWritten && !outcome.stoppedByGuard && ports.firmware.Mode() == FirmwareMode::Uefi &&
        !has([](const UndoItem& i) { return i.kind == UndoItemKind::FirmwareOrder; })) {
        run.Row(L"注意: 修复前未能读取固件启动顺序，bcdboot 在固件中加入的启动项不会撤销");
    }

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

#include "repair/undo_run.h"

#include <algorithm>
#include <cwctype>
#include <map>
#include <set>

#include "boot/bcd_commands.h"
#include "boot/command_line_quoting.h"
#include "boot/text_helpers.h"
#include "boot/work_dir.h"
#include "diagnosis/boot_code_classifier.h"
#include "diagnosis/diagnosis_log.h"
#include "diagnosis/firmware_boot_order.h"
#include "disk/device_paths.h"
#include "repair/boot_code_step.h"
#include "repair/machine_description.h"
#include "repair/undo_boot_code.h"
#include "repair/undo_record_text.h"
#include "repair/undo_recorder.h"

namespace qn {
namespace {

// Files bigger than this are compared by copying back rather than by reading both.
constexpr std::uint64_t kMaxComparedFileBytes = 64u << 20;

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    return text;
}

class UndoWork {
public:
    UndoWork(RepairRun& run, const UndoRecord& record, const BootDiagnosis& now)
        : run_(run), record_(record), now_(now) {
        for (const UndoItem& item : record.items) {
            if (item.kind == UndoItemKind::File || item.kind == UndoItemKind::Folder ||
                item.kind == UndoItemKind::Unsaved || item.kind == UndoItemKind::KeptBackup) {
                known_.insert(Lower(item.target));
            }
        }
    }

    void Run() {
        if (!SameVolumes()) {
            return;
        }
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
            }
        }
        RestoreFiles();
    }

private:
    FileSystem& Files() { return run_.Ports().files; }

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

    // Whatever the run added to a folder whose every file was recorded.
    void RemoveAdded(const std::wstring& folder, std::vector<std::wstring>& problems) {
        const auto entries = Files().ListDirectory(folder);
        if (!entries) {
            return;
        }
        for (const DirEntry& entry : *entries) {
            const std::wstring path = folder + L"\\" + entry.name;
            if (known_.contains(Lower(path))) {
                continue;  // restored as a file, cleaned as a folder, or left on purpose
            }
            if (entry.isDirectory && !entry.isLink) {
                if (DeleteTree(Files(), path)) {
                    run_.Note(L"已删除 " + path);
                    ++changed_;
                } else {
                    problems.push_back(L"无法删除本次修复新建的 " + path);
                }
            } else if (!entry.isDirectory) {
                if (auto problem = RemoveAddedFile(path); !problem.empty()) {
                    problems.push_back(problem);
                }
            }
        }
    }

    void RestoreFiles() {
        // Groups in the order they were saved; undone backwards.
        std::vector<std::wstring> order;
        std::map<std::wstring, std::vector<const UndoItem*>> groups;
        for (const UndoItem& item : record_.items) {
            if (item.target.empty() || item.kind == UndoItemKind::MbrCode ||
                item.kind == UndoItemKind::BootRecord || item.kind == UndoItemKind::KeptBackup ||
                item.kind == UndoItemKind::Volume) {
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
                Files().MakeDirectory(item->target) == CreateDirResult::Failed) {
                problems.push_back(L"无法重建文件夹 " + item->target);
            }
        }
        for (auto it = items.rbegin(); it != items.rend(); ++it) {
            const UndoItem& item = **it;
            std::wstring problem;
            switch (item.kind) {
                case UndoItemKind::File:
                    problem = RestoreFile(item);
                    break;
                case UndoItemKind::Folder:
                    RemoveAdded(item.target, problems);
                    break;
                case UndoItemKind::AbsentFile:
                    if (Files().PathExists(item.target)) {
                        problem = RemoveAddedFile(item.target);
                    }
                    break;
                case UndoItemKind::AbsentFolder:
                    if (Files().PathExists(item.target)) {
                        if (DeleteTree(Files(), item.target)) {
                            run_.Note(L"已删除 " + item.target);
                            ++changed_;
                        } else {
                            problem = L"无法删除本次修复新建的 " + item.target;
                        }
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
            const bool existed = std::any_of(items.begin(), items.end(), [](const UndoItem* i) {
                return i->kind == UndoItemKind::File || i->kind == UndoItemKind::Folder;
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
        const bool exported =
            std::any_of(record_.items.begin(), record_.items.end(),
                        [](const UndoItem& i) { return i.kind == UndoItemKind::ExportedStore; });
        const std::wstring lower = Lower(path);
        const std::size_t slash = lower.find_last_of(L'\\');
        if (!exported || slash == std::wstring::npos) {
            return false;
        }
        const std::wstring name = lower.substr(slash + 1);
        return lower.substr(0, slash).ends_with(L"\\boot") &&
               (name == L"bcd" || name.starts_with(L"bcd.log"));
    }

    RepairRun& run_;
    const UndoRecord& record_;
    const BootDiagnosis& now_;
    std::set<std::wstring> known_;
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
                      const RunLabel& label, bool isWinPE) {
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
    UndoWork(run, record, outcome.before).Run();
    // Without the order from before the repair (bcdedit could not read it then) the firmware
    // keeps what bcdboot put into it; say so rather than let "撤销完成!" suggest otherwise.
    const auto has = [&](auto test) {
        return std::any_of(record.items.begin(), record.items.end(), test);
    };
    const bool efiWritten = has([](const UndoItem& i) {
        return i.target.find(L"\\EFI\\") != std::wstring::npos &&
               i.kind != UndoItemKind::AbsentFolder;
    });
    if (efiWritten && ports.firmware.Mode() == FirmwareMode::Uefi &&
        !has([](const UndoItem& i) { return i.kind == UndoItemKind::FirmwareOrder; })) {
        run.Row(L"注意: 修复前未能读取固件启动顺序，bcdboot 在固件中加入的启动项不会撤销");
    }

    outcome.after = DiagnoseForRun(run, nullptr);
    log.diagnosisAfter = DiagnosisLogLines(outcome.after);
    if (run.Failures() == 0) {
        // Done: the record is not offered again (a failed undo may be tried again).
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
        if (!copy || copy->size() != item.savedBytes || UndoCopyCrc(*copy) != item.savedCrc) {
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

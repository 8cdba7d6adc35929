#include "editor/editor_save.h"

#include <optional>
#include <set>
#include <utility>

#include "boot/bcd_commands.h"
#include "boot/bcd_store.h"
#include "boot/boot_ini_document.h"
#include "boot/boot_ini_reader.h"
#include "boot/boot_ini_writer.h"
#include "boot/command_line_quoting.h"
#include "boot/time_stamp.h"
#include "editor/editor_backup.h"
#include "editor/editor_bcdedit.h"
#include "editor/editor_boot_ini_lines.h"
#include "editor/editor_readback.h"
#include "editor/editor_save_commands.h"
#include "record/undo_recorder.h"
#include "run/repair_log.h"

namespace qn {
namespace {

constexpr wchar_t kHintTitle[] = L"提示信息";
constexpr wchar_t kErrorTitle[] = L"错误信息";
constexpr wchar_t kNothingWritten[] = L"未写入任何内容。";
constexpr wchar_t kDefaultKept[] = L"没有勾选默认启动项，默认项保持不变。";

EditorSaveOutcome Refusal(const wchar_t* title, std::wstring message, std::wstring backup = {}) {
    EditorSaveOutcome outcome;
    outcome.result = EditorSaveOutcome::Result::Refused;
    outcome.title = title;
    outcome.message = std::move(message);
    outcome.backup = std::move(backup);
    return outcome;
}

struct FailedCommand {
    std::wstring target;
    std::wstring detail;
};

// The message of a save that wrote: what failed, what did not read back as meant, the default
// left alone, and where the backup is.
EditorSaveOutcome Finished(const std::vector<FailedCommand>& failures, int written,
                           const std::vector<std::wstring>& differences, bool defaultKept,
                           const std::wstring& backup) {
    EditorSaveOutcome outcome;
    outcome.backup = backup;
    std::wstring text;
    // The message box holds four lines: what failed comes first, each target and its error on
    // lines of their own (an identifier fills a line).
    if (!failures.empty()) {
        text = L"保存失败";
        if (written > 0) {
            text += L"，其余 " + std::to_wstring(written) + L" 项修改已写入";
        }
        text += L":";
        // Targets that failed with the same error share one error line.
        std::vector<bool> told(failures.size(), false);
        for (std::size_t i = 0; i < failures.size(); ++i) {
            if (told[i]) {
                continue;
            }
            for (std::size_t j = i; j < failures.size(); ++j) {
                if (!told[j] && failures[j].detail == failures[i].detail) {
                    text += L"\n" + failures[j].target;
                    told[j] = true;
                }
            }
            text += L"\n" + failures[i].detail;
        }
    }
    if (!differences.empty()) {
        text += text.empty() ? L"保存后读回的配置与所做的修改不一致!" : L"\n读回核对也不一致:";
        for (const std::wstring& difference : differences) {
            text += L"\n" + difference;
        }
    }
    const bool ok = failures.empty() && differences.empty();
    if (ok) {
        text = L"保存成功!";
    }
    if (defaultKept) {
        text += L"\n";
        text += kDefaultKept;
    }
    text += backup.empty() ? L"\n原文件不存在，没有备份。" : L"\n备份: " + backup;
    outcome.result = ok ? EditorSaveOutcome::Result::Saved : EditorSaveOutcome::Result::Failed;
    outcome.title = ok ? kHintTitle : kErrorTitle;
    outcome.message = std::move(text);
    return outcome;
}

// A save is undone like a repair: its record names the backup it made before writing.
std::wstring RecordEditorSave(EditorPorts& ports, const EditorSaveRequest& request,
                              const UndoItem& item) {
    // An export whose store cannot be named is not one undo could put back safely.
    if (request.undoParent.empty() ||
        (item.kind == UndoItemKind::ExportedStore && item.target.empty())) {
        return {};
    }
    UndoRecord record;
    record.operation = L"编辑启动项";
    record.time = FormatLogTime(ports.clock.LocalTime());
    record.folder =
        FreeUndoFolder(ports.files, request.undoParent, FormatTimeStamp(ports.clock.LocalTime()));
    if (ports.storage != nullptr && item.target.size() >= 2 && item.target[1] == L':') {
        const std::wstring identity =
            VolumeIdentity(*ports.storage, static_cast<char>(item.target[0]));
        if (!identity.empty()) {
            record.items.push_back({UndoItemKind::Volume, item.target.substr(0, 2), identity, 0});
        }
    }
    record.items.push_back(item);
    return WriteUndoRecord(ports.files, record);
}

// Puts the store back as it was before a save that failed part-way: an export goes back through
// bcdedit /import (the running system holds its store open), a copy over the file. The text to
// show, which says whether it worked.
std::wstring RestoreStore(EditorPorts& ports, EditorBcdedit& bcdedit,
                          const EditorSaveRequest& request, const EditorBackup& backup,
                          std::uint32_t attributes) {
    bool restored = false;
    if (backup.exported) {
        const std::wstring storePart = request.store.empty()
                                           ? std::wstring()
                                           : L"/store " + QuoteArgument(request.store) + L" ";
        restored = !bcdedit.Run(storePart + ImportStoreCommand(backup.path)).has_value();
    } else {
        ports.files.SetAttributes(request.store, kAttributeNormal);
        restored = ports.files.CopyFileTo(backup.path, request.store, true);
        if (attributes != 0) {
            ports.files.SetAttributes(request.store, attributes);
        }
    }
    return restored ? L"已用备份恢复保存前的 BCD 存储，未做任何更改。"
                    : L"用备份恢复 BCD 存储也失败了，请用备份手动恢复: " + backup.path;
}

EditorSaveOutcome SaveBcd(EditorPorts& ports, const EditorSaveRequest& request,
                          const BcdListing& working) {
    if (request.bcdedit.empty()) {
        return Refusal(kErrorTitle, L"保存失败: 缺少 bcdedit.exe（程序未内置，系统中也没有），" +
                                        std::wstring(kNothingWritten));
    }
    EditorBcdedit bcdedit(ports.processes, ports.codePage, request.bcdedit);
    const std::uint32_t attributes =
        request.store.empty() ? 0 : ports.files.Attributes(request.store).value_or(0);
    // Every save starts from a backup of the store as it is now, so one that fails part-way can
    // be undone whole, whatever earlier saves changed.
    const EditorBackup made = BackUpStoreForEdit(ports.files, ports.clock, bcdedit, request.store);
    if (made.path.empty()) {
        return Refusal(kErrorTitle,
                       L"保存失败: 无法备份 BCD 存储（" + made.failure + L"），" + kNothingWritten);
    }
    // An export goes back into the store it came from: the named file, or this system's own.
    const std::wstring origin = !request.store.empty() ? request.store
                                : ports.storage != nullptr
                                    ? SystemStoreOrigin(ports.files, *ports.storage)
                                    : std::wstring();
    const UndoItem record =
        made.exported ? UndoItem{UndoItemKind::ExportedStore, origin, made.path, 0}
                      : UndoItem{UndoItemKind::File, request.store, made.path, attributes};
    const std::vector<SaveCommand> commands =
        BcdSaveCommands(request.store, working, *request.loaded);
    std::vector<FailedCommand> failures;
    for (const SaveCommand& command : commands) {
        if (auto failure = bcdedit.Run(command.parameters)) {
            failures.push_back({command.Target(), *failure});
        }
    }
    if (!failures.empty()) {
        EditorSaveOutcome outcome = Finished(failures, 0, {}, false, made.path);
        outcome.message += L"\n" + RestoreStore(ports, bcdedit, request, made, attributes);
        return outcome;
    }
    BcdListing readBack;
    EnumAllEntries(bcdedit.Tool(), request.store, readBack);
    std::vector<std::wstring> differences;
    if (auto failure = bcdedit.LastFailure()) {
        differences.push_back(L"无法读回 BCD 存储: " + *failure);
    } else {
        differences = BcdReadbackDifferences(working, *request.loaded, readBack, {});
    }
    EditorSaveOutcome outcome =
        Finished({}, 0, differences, working.bootManager.defaultId.empty(), made.path);
    if (!commands.empty()) {
        outcome.undoRecord = RecordEditorSave(ports, request, record);
    }
    if (!bcdedit.LastFailure()) {
        readBack.FromBcd = 1;
        MarkDefaultEntries(readBack);
        outcome.stored = std::make_shared<const BcdListing>(std::move(readBack));
    }
    return outcome;
}

// No boot.ini the editor can have loaded is larger.
constexpr std::uint64_t kBootIniMaxBytes = 1 << 20;

EditorSaveOutcome SaveBootIni(EditorPorts& ports, const EditorSaveRequest& request,
                              const BcdListing& working) {
    const std::wstring& path = request.bootIniPath;
    const bool existed = ports.files.PathExists(path);
    std::vector<std::uint8_t> original;
    if (existed) {
        auto bytes = ports.files.ReadFileBytes(path, kBootIniMaxBytes);
        if (!bytes) {
            return Refusal(kErrorTitle,
                           L"保存失败: 无法读取 boot.ini，" + std::wstring(kNothingWritten));
        }
        original = std::move(*bytes);
    } else {
        original = BootIniTemplateBytes(ports.resources);  // gone since it was read
    }
    // Edited in place: every line the rows do not change stays byte for byte.
    const BootIniEdit edit = EditBootIniDocument(ParseBootIniDocument(original, ports.codePage),
                                                 *request.loaded, working, ports.codePage);
    if (!edit.refusal.empty()) {
        return Refusal(kErrorTitle, edit.refusal + kNothingWritten);
    }
    const bool defaultKept = working.bootManager.defaultId.empty();
    const std::uint32_t attributes = ports.files.Attributes(path).value_or(0);
    const BootIniWriteResult written =
        ReplaceBootIni(ports.files, ports.clock, path, BootIniDocumentBytes(edit.document));
    if (existed && written.backupPath.empty()) {
        return Refusal(kErrorTitle,
                       L"保存失败: 无法备份 boot.ini，" + std::wstring(kNothingWritten));
    }
    std::vector<FailedCommand> failures;
    bool changed = written.fileChanged;
    if (!written.ok) {
        std::wstring detail = L"写入 boot.ini 出错";
        if (!written.fileChanged) {
            detail += existed ? L"，原文件未改动" : L"";
        } else if (!written.backupPath.empty()) {
            ports.files.SetAttributes(path, kAttributeNormal);
            const bool restored = ports.files.CopyFileTo(written.backupPath, path, true);
            ports.files.SetAttributes(path, kBootFileAttributes);
            detail += restored ? L"，已用备份恢复原文件" : L"，用备份恢复也失败，请手动恢复";
            changed = !restored;
        }
        failures.push_back({path, detail});
    }
    std::vector<std::wstring> differences;
    if (written.ok) {
        if (const auto bytes = ports.files.ReadFileBytes(path, kBootIniMaxBytes)) {
            differences =
                BootIniLineDifferences(edit.document, ParseBootIniDocument(*bytes, ports.codePage));
        } else {
            differences.push_back(L"无法读回 boot.ini");
        }
        const BcdListing readBack = ReadBootIni(ports.profile, ports.random, path);
        const std::wstring readDefault =
            ports.profile.ReadString(L"boot loader", L"default", L"", path);
        for (std::wstring& difference : BootIniReadbackDifferences(
                 edit.menu, edit.timeout, edit.defaultArc, readBack, readDefault)) {
            differences.push_back(std::move(difference));
        }
    }
    EditorSaveOutcome outcome = Finished(failures, 0, differences, defaultKept, written.backupPath);
    // A file left changed can be undone, even by a save that failed half-way.
    if (changed && !written.backupPath.empty()) {
        outcome.undoRecord = RecordEditorSave(
            ports, request, UndoItem{UndoItemKind::File, path, written.backupPath, attributes});
    }
    return outcome;
}

}  // namespace

EditorSaveOutcome SaveEditedEntries(EditorPorts& ports, const EditorSaveRequest& request) {
    if (request.timeout.empty()) {
        return Refusal(kHintTitle, L"请输入启动项超时时间(输入框位于右上角)", request.backup);
    }
    const bool bcd = request.fileItem == kBcdFileItem;
    if (!request.fileSelected || (!bcd && request.fileItem != kBootIniFileItem)) {
        return Refusal(kErrorTitle, L"保存失败，请重试!", request.backup);
    }
    if (request.loaded == nullptr || request.loadPending || (request.loaded->FromBcd != 0) != bcd) {
        return Refusal(kHintTitle, L"引导项尚未读取完成，" + std::wstring(kNothingWritten),
                       request.backup);
    }
    const BcdListing working = WorkingListing(request.rows, request.timeout, bcd ? 1 : 0);
    if (working.entries.empty()) {
        return Refusal(
            kErrorTitle,
            L"启动项列表为空，保存后将没有可以启动的系统。" + std::wstring(kNothingWritten),
            request.backup);
    }
    // Without a checked row the default stays as it is, which is only right while that entry is
    // still in the menu: a removed default would go on starting by itself.
    const std::wstring& oldDefault = request.loaded->bootManager.defaultId;
    if (working.bootManager.defaultId.empty() &&
        (oldDefault.empty() || FindEntryById(working, oldDefault) == nullptr)) {
        EditorSaveOutcome outcome =
            Refusal(kHintTitle,
                    L"原来的默认启动项已不在列表中，请勾选一个启动项作为默认项后再保存"
                    L"（已勾选列表中的第一项）。" +
                        std::wstring(kNothingWritten),
                    request.backup);
        outcome.chooseDefault = true;
        return outcome;
    }
    return bcd ? SaveBcd(ports, request, working) : SaveBootIni(ports, request, working);
}

}  // namespace qn

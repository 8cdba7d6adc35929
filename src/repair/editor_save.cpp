#include "repair/editor_save.h"

#include <optional>
#include <set>
#include <utility>

#include "boot/bcd_store.h"
#include "boot/boot_ini_reader.h"
#include "boot/boot_ini_writer.h"
#include "boot/time_stamp.h"
#include "repair/editor_backup.h"
#include "repair/editor_bcdedit.h"
#include "repair/editor_boot_ini_lines.h"
#include "repair/editor_readback.h"
#include "repair/editor_save_commands.h"
#include "repair/repair_log.h"
#include "repair/undo_recorder.h"

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
    if (request.undoParent.empty()) {
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

EditorSaveOutcome SaveBcd(EditorPorts& ports, const EditorSaveRequest& request,
                          const BcdListing& working) {
    if (request.bcdedit.empty()) {
        return Refusal(kErrorTitle,
                       L"保存失败: 缺少 bcdedit.exe（程序未内置，系统中也没有），" +
                           std::wstring(kNothingWritten),
                       request.backup);
    }
    EditorBcdedit bcdedit(ports.processes, ports.codePage, request.bcdedit);
    std::wstring backup = request.backup;
    std::optional<UndoItem> newRecord;
    const std::uint32_t attributes =
        request.store.empty() ? 0 : ports.files.Attributes(request.store).value_or(0);
    if (backup.empty()) {
        const EditorBackup made =
            BackUpStoreForEdit(ports.files, ports.clock, bcdedit, request.store);
        if (made.path.empty()) {
            return Refusal(kErrorTitle, L"保存失败: 无法备份 BCD 存储（" + made.failure + L"），" +
                                            kNothingWritten);
        }
        backup = made.path;
        newRecord = made.exported
                        ? UndoItem{UndoItemKind::ExportedStore, {}, made.path, 0}
                        : UndoItem{UndoItemKind::File, request.store, made.path, attributes};
    }
    const std::vector<SaveCommand> commands = BcdSaveCommands(request.store, working);
    std::vector<FailedCommand> failures;
    std::set<std::wstring> failedTargets;
    for (const SaveCommand& command : commands) {
        if (auto failure = bcdedit.Run(command.parameters)) {
            failures.push_back({command.Target(), *failure});
            failedTargets.insert(command.Target());
        }
    }
    BcdListing readBack;
    EnumAllEntries(bcdedit.Tool(), request.store, readBack);
    std::vector<std::wstring> differences;
    if (auto failure = bcdedit.LastFailure()) {
        differences.push_back(L"无法读回 BCD 存储: " + *failure);
    } else {
        differences = BcdReadbackDifferences(working, *request.loaded, readBack, failedTargets);
    }
    const int written = static_cast<int>(commands.size() - failures.size());
    EditorSaveOutcome outcome =
        Finished(failures, written, differences, working.bootManager.defaultId.empty(), backup);
    if (newRecord && written > 0) {
        outcome.undoRecord = RecordEditorSave(ports, request, *newRecord);
    }
    return outcome;
}

// Writes "default" back as it was read, for a save without a checked row.
bool RestoreDefault(EditorPorts& ports, const std::wstring& path, const std::wstring& value) {
    ports.files.SetAttributes(path, kAttributeNormal);
    const bool ok = ports.profile.WriteString(L"boot loader", L"default", value, path);
    return ports.files.SetAttributes(path, kBootFileAttributes) && ok;
}

EditorSaveOutcome SaveBootIni(EditorPorts& ports, const EditorSaveRequest& request,
                              const BcdListing& working) {
    const std::wstring& path = request.bootIniPath;
    // The lines as the rows want them: a changed description replaces the quoted menu text.
    BcdListing lines = *request.loaded;
    for (const BootEntry& row : working.entries) {
        for (BootEntry& line : lines.entries) {
            if (line.identifier != row.identifier) {
                continue;
            }
            const auto renamed = RenamedIniValue(line, row.description);
            if (!renamed) {
                return Refusal(kErrorTitle,
                               L"无法把“" + line.description + L"”改名为“" + row.description +
                                   L"”: 该行没有带引号的菜单文字，或新名称含有双引号。" +
                                   kNothingWritten);
            }
            line.osdevice = *renamed;
        }
    }
    const bool defaultKept = working.bootManager.defaultId.empty();
    const std::wstring oldDefault = ports.profile.ReadString(L"boot loader", L"default", L"", path);
    const bool existed = ports.files.PathExists(path);
    const std::uint32_t attributes = ports.files.Attributes(path).value_or(0);
    BootIniPorts writer{ports.profile, ports.files, ports.resources, ports.clock};
    const BootIniWriteResult written = WriteBootIni(writer, path, working, lines);
    if (existed && written.backupPath.empty()) {
        return Refusal(kErrorTitle,
                       L"保存失败: 无法备份 boot.ini，" + std::wstring(kNothingWritten));
    }
    std::vector<FailedCommand> failures;
    bool ok = written.ok;
    if (ok && defaultKept && !oldDefault.empty()) {
        ok = RestoreDefault(ports, path, oldDefault);
    }
    if (!ok) {
        std::wstring detail = L"写入 boot.ini 出错";
        if (!written.backupPath.empty()) {
            ports.files.SetAttributes(path, kAttributeNormal);
            const bool restored = ports.files.CopyFileTo(written.backupPath, path, true);
            ports.files.SetAttributes(path, kBootFileAttributes);
            detail += restored ? L"，已用备份恢复原文件" : L"，用备份恢复也失败，请手动恢复";
        }
        failures.push_back({path, detail});
    }
    std::vector<std::wstring> differences;
    if (ok) {
        const BcdListing readBack = ReadBootIni(ports.profile, ports.random, path);
        const std::wstring readDefault =
            ports.profile.ReadString(L"boot loader", L"default", L"", path);
        std::wstring meantDefault = oldDefault;
        if (!defaultKept) {
            const BootEntry* line = FindEntryById(lines, working.bootManager.defaultId);
            meantDefault = line != nullptr ? line->device : std::wstring();
        }
        differences = BootIniReadbackDifferences(MeantBootIniLines(working, lines),
                                                 working.bootManager.timeout, meantDefault,
                                                 readBack, readDefault);
    }
    EditorSaveOutcome outcome = Finished(failures, 0, differences, defaultKept, written.backupPath);
    if (written.ok && !written.backupPath.empty()) {
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
    return bcd ? SaveBcd(ports, request, working) : SaveBootIni(ports, request, working);
}

}  // namespace qn

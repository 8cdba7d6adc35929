#include "undo/undo_store_import.h"

#include "boot/bcd_commands.h"
#include "boot/command_line_quoting.h"
#include "record/undo_recorder.h"

namespace qn {
namespace {

// Why the running system may not take a system store's export; empty when it may.
std::wstring OtherSystemsStore(RepairRun& run, const UndoItem& item) {
    const std::wstring now = SystemStoreOrigin(run.Ports().files, run.Ports().storage);
    if (now == item.target) {
        return {};
    }
    const std::size_t prefix = std::wstring_view(kSystemStoreOriginPrefix).size();
    return L"导出的是另一个系统的 BCD 存储（导出时系统分区 " + item.target.substr(prefix) +
           L"，现在 " + (now.empty() ? std::wstring(L"无法确定") : now.substr(prefix)) +
           L"），为安全起见未导入";
}

}  // namespace

void ImportStore(RepairRun& run, const UndoItem& item) {
    FileSystem& files = run.Ports().files;
    const bool system = item.target.starts_with(kSystemStoreOriginPrefix);
    const std::wstring row = L"从 " + item.saved + L" 导入" +
                             (system ? std::wstring(L"系统 BCD 存储") : L" " + item.target);
    if (!files.PathExists(item.saved)) {
        run.FailedRow(row, {L"找不到导出的存储文件"}, false);
        return;
    }
    std::wstring parameters = ImportStoreCommand(item.saved);
    if (system) {
        if (const std::wstring refusal = OtherSystemsStore(run, item); !refusal.empty()) {
            run.FailedRow(row, {refusal}, false);
            return;
        }
    } else {
        if (!files.PathExists(item.target)) {
            run.FailedRow(row, {L"找不到存储文件 " + item.target}, false);
            return;
        }
        parameters = L"/store " + QuoteArgument(item.target) + L" " + parameters;
    }
    run.Row(row + L"...");
    if (auto failure = run.RunTool(CarriedTool::Bcdedit, parameters)) {
        run.FailedRow(row, *failure, true);
    } else {
        run.ReplaceRow(row + L"......成功");
    }
}

}  // namespace qn

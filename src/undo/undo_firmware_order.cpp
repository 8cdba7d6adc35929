#include "undo/undo_firmware_order.h"

#include <algorithm>

#include "boot/text_helpers.h"
#include "diagnosis/firmware_boot_order.h"
#include "record/undo_record_text.h"

namespace qn {
namespace {

// Windows Boot Manager's entry may be named by its GUID or by {bootmgr}.
bool SameOrder(const std::vector<std::wstring>& a, const std::vector<std::wstring>& b) {
    return std::equal(
        a.begin(), a.end(), b.begin(), b.end(), [](const std::wstring& x, const std::wstring& y) {
            return EqualsIgnoringCase(x, y) || (IsBootmgrIdentifier(x) && IsBootmgrIdentifier(y));
        });
}

std::wstring DisplayOrderParameters(const std::vector<std::wstring>& order) {
    if (order.empty()) {
        return L"/deletevalue {fwbootmgr} displayorder";
    }
    std::wstring parameters = L"/set {fwbootmgr} displayorder";
    for (const std::wstring& id : order) {
        parameters += L" " + id;
    }
    return parameters;
}

}  // namespace

void RestoreFirmwareOrder(RepairRun& run, const UndoItem& item, const BootDiagnosis& now) {
    const std::wstring row = L"还原固件启动顺序";
    const auto order = FirmwareOrderFromText(item.saved);
    std::vector<std::wstring> current;
    for (const FirmwareBootEntry& entry : now.firmwareOrder) {
        current.push_back(entry.identifier);
    }
    if (!order || !now.firmwareOrderKnown) {
        run.FailedRow(row, {L"无法读取现在的固件启动顺序"}, false);
        return;
    }
    if (SameOrder(*order, current)) {
        run.Row(row + L"......无需还原（未改变）");
        return;
    }
    run.Row(row + L"...");
    if (auto failure = run.RunTool(CarriedTool::Bcdedit, DisplayOrderParameters(*order))) {
        run.FailedRow(row, *failure, true);
    } else {
        run.ReplaceRow(row + L"......成功");
    }
}

}  // namespace qn

#include "repair/boot_code_step.h"

namespace qn {

std::wstring BootsectParameters(BootCodeKind kind, const std::wstring& drive, bool mbr) {
    return std::wstring(kind == BootCodeKind::Nt60 ? L"/nt60 " : L"/nt52 ") + drive +
           (mbr ? L" /mbr" : L"");
}

void WriteBootCode(RepairRun& run, const BootTarget& target, BootCodeKind kind) {
    const std::wstring row = std::wstring(L"写入 ") +
                             (kind == BootCodeKind::Nt60 ? L"NT6" : L"NT5") + L" 引导代码至 " +
                             target.drive + L" 及其磁盘的主引导记录";
    run.Row(row + L"...");
    if (auto failure =
            run.RunTool(CarriedTool::Bootsect, BootsectParameters(kind, target.drive, true))) {
        run.FailedRow(row, *failure, true);
    } else {
        run.ReplaceRow(row + L"......成功");
    }
}

}  // namespace qn

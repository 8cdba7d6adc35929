#include "app/win32/pages/mbr_repair.h"

#include "app/program_version.h"
#include "app/win32/confirm_frame.h"
#include "app/win32/main_frame.h"
#include "app/win32/pages/repair_worker.h"
#include "repair/mbr_repair_run.h"
#include "run/repair_request.h"

namespace qn {

void CheckMbrTarget(MainFrame& frame) {
    const std::optional<BootPartition> picked = SelectedBootPartition(frame);
    if (!picked) {
        return;  // no partition chosen: the click does nothing
    }
    frame.Wizard().boot = *picked;
    if (picked->style == PartitionStyle::Gpt) {
        ShowMessageBox(L"提示信息", L"GPT硬盘不需要修复主引导与分区引导，请重新选择!",
                       frame.GetHWND());
        return;
    }
    frame.SelectPage(MainFrame::kMbrKindPage);
}

void StartMbrRepair(MainFrame& frame, int kind) {
    ShowResultPageBusy(frame, true);
    MbrRepairRequest request;
    request.boot = frame.Wizard().boot;
    request.kind = static_cast<MbrRepairKind>(kind);
    request.isWinPE = frame.Wizard().isWinPE;
    StartRepairWorker(frame, {request.boot.letter},
                      [request, label = RunLabel{L"修复主引导记录与分区引导记录", kProgramVersion}](
                          RepairPorts& ports, RepairSink& sink, GuardAsker& asker) {
                          return RunMbrRepair(request, ports, sink, label, asker);
                      });
}

}  // namespace qn

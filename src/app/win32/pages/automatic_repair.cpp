#include "app/win32/pages/automatic_repair.h"

#include "app/boot_partition_choice.h"
#include "app/program_version.h"
#include "app/win32/confirm_frame.h"
#include "app/win32/main_frame.h"
#include "app/win32/pages/repair_worker.h"
#include "repair/repair_start.h"

namespace qn {

void StartRepairRun(MainFrame& frame, const wchar_t* operation) {
    const RepairRequest request = RepairRequestOf(frame.Wizard());
    StartRepairWorker(frame, LettersOfRun(request),
                      [request, label = RunLabel{operation, kProgramVersion}](
                          RepairPorts& ports, RepairSink& sink, GuardAsker& asker) {
                          return RunRepair(request, ports, sink, label, asker);
                      });
}

void StartAutomaticRepair(MainFrame& frame) {
    // The workflow buttons wait for the start's diagnosis, so it is there unless it failed.
    WizardState& wizard = frame.Wizard();
    ChooseAutomatically(wizard);
    const FirmwareKind firmware = FirmwareOf(wizard.startDiagnosis.get());
    SelectForAutomaticRepair(wizard.installations, wizard.boot.style, firmware);
    if (auto refusal = Gpt32BitRefusal(wizard.boot, wizard.installations, firmware)) {
        ShowMessageBox(L"错误信息", *refusal, frame.GetHWND());
        frame.SelectPage(MainFrame::kStartPage);
        frame.OnRepairDone(0);  // the result page must not keep its buttons off
        return;
    }
    StartRepairRun(frame, L"自动修复");
}

}  // namespace qn

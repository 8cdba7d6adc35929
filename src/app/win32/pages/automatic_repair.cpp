#include "app/win32/pages/automatic_repair.h"

#include "app/boot_partition_choice.h"
#include "app/program_version.h"
#include "app/win32/confirm_frame.h"
#include "app/win32/main_frame.h"
#include "app/win32/pages/repair_worker.h"
#include "repair/repair_start.h"

namespace qn {

void StartRepairRun(MainFrame& frame, const wchar_t* operation) {
    RepairRequest request;
    request.bootLetter = frame.BootLetter;
    request.bootReason = frame.BootReason;
    request.timeoutText = frame.TimeoutText;
    request.clearExisting = frame.ClearExistingEntries != 0;
    request.isWinPE = frame.IsWinPE != 0;
    request.installations = frame.Installations;
    std::set<char> letters;
    if (request.bootLetter != kEspWithoutLetter) {
        letters.insert(request.bootLetter);
    }
    for (const auto& [letter, system] : request.installations) {
        if (system.selected != 0) {
            letters.insert(letter);
        }
    }
    StartRepairWorker(frame, letters,
                      [request, label = RunLabel{operation, kProgramVersion}](
                          RepairPorts& ports, RepairSink& sink, GuardAsker& asker) {
                          return RunRepair(request, ports, sink, label, asker);
                      });
}

void StartAutomaticRepair(MainFrame& frame) {
    // The workflow buttons wait for the start's diagnosis, so it is there unless it failed.
    const BootPartitionChoice choice = ChooseBootPartition(
        frame.ActivePartLetters, frame.StartDiagnosis.get(), frame.Installations);
    const char letter = choice.letter;
    frame.BootLetter = letter;
    frame.BootReason = choice.text;
    frame.TimeoutText = L"3";
    frame.ClearExistingEntries = 0;
    const PartitionStyle style = BootStyleOf(letter);
    const FirmwareKind firmware = FirmwareOf(frame.StartDiagnosis.get());
    SelectForAutomaticRepair(frame.Installations, style, firmware);
    if (auto refusal = Gpt32BitRefusal(letter, style, frame.Installations, firmware)) {
        ShowMessageBox(L"错误信息", *refusal, frame.GetHWND());
        frame.SelectPage(MainFrame::kStartPage);
        frame.OnRepairDone(0);  // the result page must not keep its buttons off
        return;
    }
    StartRepairRun(frame, L"自动修复");
}

}  // namespace qn

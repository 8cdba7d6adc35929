#include "repair/win32/undo_repair.h"

#include "app/program_version.h"
#include "app/win32/confirm_frame.h"
#include "app/win32/main_frame.h"
#include "repair/repair_guards.h"
#include "repair/undo_run.h"
#include "repair/win32/repair_worker.h"

namespace qn {

void UndoLastRepair(MainFrame& frame) {
    const std::wstring record = frame.UndoRecordPath();
    if (record.empty()) {
        return;
    }
    const std::wstring question =
        L"撤销本次修复：还原修复之前的引导文件、BCD 存储和引导代码，删除本次修复新建的引导文件。"
        L"修复时做的备份会保留。\n\n撤销记录: " +
        record + L"\n\n确定(Y)：撤销本次修复\n取消(C)：不撤销";
    if (ShowQuestionBox(kGuardCaption, question, frame.GetHWND()) != kConfirmYes) {
        return;
    }
    ShowResultPageBusy(frame, true);
    frame.MarkUndoing();
    if (Control* tip = frame.Find(L"lbResultTip")) {
        tip->SetText(L"正在撤销修复，请稍候......");
    }
    const bool isWinPE = frame.IsWinPE != 0;
    StartRepairWorker(frame, {frame.BootLetter},
                      [record, isWinPE](RepairPorts& ports, RepairSink& sink, GuardAsker&) {
                          const LoadedUndoRecord loaded = LoadUndoRecord(ports.files, record);
                          if (!loaded.record) {
                              sink.Append(loaded.error);
                              RepairOutcome outcome;
                              outcome.failedSteps = 1;
                              return outcome;
                          }
                          return RunUndo(*loaded.record, ports, sink,
                                         RunLabel{L"撤销修复", kProgramVersion}, isWinPE);
                      });
}

}  // namespace qn

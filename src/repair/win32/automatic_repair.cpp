#include "repair/win32/automatic_repair.h"

#include "app/win32/main_frame.h"
#include "repair/win32/workflow_pending.h"

namespace qn {

void StartAutomaticRepair(MainFrame& frame) {
    // The result page waits for its buttons: give them back, the repair did not run.
    frame.AppendResultLine(0, L"自动修复尚未提供，未做任何更改。");
    ShowWorkflowPending(frame);
    if (Control* quit = frame.Find(L"BtnRsQuit")) {
        quit->SetEnabled(true);
    }
    if (Control* back = frame.Find(L"BtnRsReturn")) {
        back->SetEnabled(true);
    }
}

}  // namespace qn

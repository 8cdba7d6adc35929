#include "repair/win32/mbr_repair.h"

#include "app/win32/main_frame.h"
#include "repair/win32/workflow_pending.h"

namespace qn {

void CheckMbrTarget(MainFrame& frame) {
    ShowWorkflowPending(frame);
}

void StartMbrRepair(MainFrame& frame, int kind) {
    frame.MbrRepairKind = kind;
    ShowWorkflowPending(frame);
}

}  // namespace qn

#include "repair/win32/boot_entry_editor.h"

#include "app/win32/main_frame.h"
#include "repair/win32/workflow_pending.h"

namespace qn {

void LoadBootEntries(MainFrame& frame) {
    ShowWorkflowPending(frame);
}

void SaveBootEntries(MainFrame& frame) {
    ShowWorkflowPending(frame);
}

void MoveBootEntry(MainFrame& frame, int) {
    ShowWorkflowPending(frame);
}

void RemoveBootEntry(MainFrame& frame) {
    ShowWorkflowPending(frame);
}

void AddBootEntry(MainFrame& frame) {
    ShowWorkflowPending(frame);
}

void FillBootEditPage(MainFrame& frame, std::unique_ptr<BcdListing> listing) {
    frame.CurrentListing = std::move(listing);
    ShowWorkflowPending(frame);
}

}  // namespace qn

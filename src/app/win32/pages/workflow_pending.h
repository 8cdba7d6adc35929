#pragma once

namespace qn {

class MainFrame;

// Tells the user, in the program's message box, that a workflow is not built into this version
// yet. Never a silent no-op and never a made-up success.
void ShowWorkflowPending(MainFrame& frame);

}  // namespace qn

#pragma once

namespace qn {

class MainFrame;

// "BtnBootRepair" in the MBR flow: checks the chosen partition and shows the repair kinds.
void CheckMbrTarget(MainFrame& frame);
// kind 0: NT6 boot code, 1: NT5 boot code, 2: the master boot record.
void StartMbrRepair(MainFrame& frame, int kind);

}  // namespace qn

#pragma once

namespace qn {

class MainFrame;

// "撤销本次修复(U)": asks, then undoes the last run from the record it left, on a worker, with
// the undo's rows on the result page.
void UndoLastRepair(MainFrame& frame);

}  // namespace qn

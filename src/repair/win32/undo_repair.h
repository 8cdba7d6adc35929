#pragma once

namespace qn {

class MainFrame;

// "撤销本次修复(U)": asks, then undoes the last run from the record it left, on a worker, with
// the undo's rows on the result page.
void UndoLastRepair(MainFrame& frame);

// The editor page's "撤销上次修改(R)": finds the newest record a repair or an editor save left
// (on the desktop and in the roots of the drives) that was not undone yet, names it, asks, and
// undoes it as above. Pressed again, it offers the one before.
void UndoEarlierRun(MainFrame& frame);

}  // namespace qn

#pragma once

#include <memory>
#include <vector>

#include "undo/undo_run.h"

namespace qn {

class MainFrame;

// What the search for undo records hands to the window (WM_UNDOLIST_READY's lParam, owned by the
// receiver), newest first.
using FoundUndoRecords = std::vector<FoundUndoRecord>;

// "撤销本次修复(U)": asks, then undoes the last run from the record it left, on a worker, with
// the undo's rows on the result page.
void UndoLastRepair(MainFrame& frame);

// The editor page's "撤销上次修改(R)": finds the newest record a repair or an editor save left
// (on the desktop and in the roots of the drives) that was not undone yet, names it, asks, and
// undoes it as above. Pressed again, it offers the one before. The search runs on a worker, the
// page held meanwhile; OfferEarlierUndo takes it from there.
void UndoEarlierRun(MainFrame& frame);

// WM_UNDOLIST_READY: the records found; the page comes back, then the question.
void OfferEarlierUndo(MainFrame& frame, std::unique_ptr<FoundUndoRecords> found);

}  // namespace qn

#pragma once

#include "record/undo_record.h"
#include "repair/repair_engine.h"

namespace qn {

// Brings back what a run saved, backwards: the boot code first (a disk's master boot record
// through a sector write of its code bytes only, never its partition table or signature; a
// volume's boot record with bootsect when it held Windows' own code, otherwise by writing its
// saved code under today's parameter block), then an exported system store ("bcdedit
// /import"), then the boot files (copied back with their attributes; what the run added to the
// saved folders, and the files and folders that did not exist, removed). Backups the run made
// stay. One row per item or folder with its own outcome, "撤销完成!" only when all succeeded,
// the diagnosis before and after, and a log as the repair writes one.
// A file that is no longer what the run left (updated, created or removed since) is not written
// over unasked: asker hears of them all at once (UndoChangedSince), and 取消(C) or no answer
// keeps them, each a failed step. Before the first write, what the undo will change is saved
// into a record of its own ("撤销", beside this one; its path in outcome.undoRecord), so the
// undo can be undone in turn; when that cannot all be saved asker is asked (UndoLoss), and
// 取消(C) changes nothing. An editor save's record is undone without one.
RepairOutcome RunUndo(const UndoRecord& record, RepairPorts& ports, RepairSink& sink,
                      const RunLabel& label, bool isWinPE, GuardAsker& asker);

// Reads the record a run left (its "undo.txt"); the error says why it cannot be used.
struct LoadedUndoRecord {
    std::optional<UndoRecord> record;
    std::wstring error;
};
LoadedUndoRecord LoadUndoRecord(FileSystem& files, const std::wstring& path);

struct FoundUndoRecord {
    std::wstring path;
    UndoRecord record;
};

// The records runs left in these folders ("QNBootRepair_undo_*\undo.txt"), newest first.
// Records an undo already used, and files that are not records, are left out.
std::vector<FoundUndoRecord> FindUndoRecords(FileSystem& files,
                                             const std::vector<std::wstring>& folders);

}  // namespace qn

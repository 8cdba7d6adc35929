#pragma once

#include <string>

#include "run/boot_target.h"
#include "run/repair_run.h"

namespace qn {

enum class BootCodeKind { Nt60, Nt52 };

// bootsect's parameters: "/nt60 C:" or "/nt52 C:", with " /mbr" for the disk's master boot
// record too.
std::wstring BootsectParameters(BootCodeKind kind, const std::wstring& drive, bool mbr);

// Saves the sectors bootsect is about to rewrite when the run records for undo; a row says so
// when they cannot be saved (the run goes on: the repair matters more than its undo).
void SaveBootCodeForUndo(RepairRun& run, char letter, bool withMbr);

// What a successful bootsect run's row adds when bootsect could not lock the volume it wrote ("（警
// 告: ...）": a warning, not a failure), which the log notes too; empty otherwise.
std::wstring BootsectWarning(RepairRun& run);

// Writes the boot code of the boot partition and, withMbr, of its disk's master boot record,
// with a row that ends in its outcome; true when bootsect succeeded.
bool WriteBootCode(RepairRun& run, const BootTarget& target, BootCodeKind kind, bool withMbr);

// The boot code goes last, once the files and menu it starts are in place, and only when that
// cannot take away what the old code still starts: some system must have been repaired, and
// no older system may have failed (new NT6 code would no longer reach its ntldr). Otherwise a
// counted row says why the old code was kept. True when the code was written.
bool WriteBootCodeIfSafe(RepairRun& run, const BootTarget& target, BootCodeKind kind, bool withMbr,
                         int systemsRepaired, int olderSystemsFailed);

}  // namespace qn

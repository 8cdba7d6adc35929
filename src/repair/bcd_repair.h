#pragma once

#include "run/boot_target.h"
#include "run/repair_request.h"
#include "run/repair_run.h"

namespace qn {

// The repair of a partition that boots through a BCD store: a backup of the store (and clearing
// it when asked), bcdboot and the menu settings for every selected Vista-or-later system (the
// first in letter order becomes the default), the {ntldr} chain for the older ones, then NT6
// boot code on an MBR disk. Every step is examined; a failed one fails its row and the rest go
// on. False when the boot code the run needed was not written.
bool RepairBootNt6(RepairRun& run, const RepairRequest& request, const BootTarget& target);

// The repair of a partition without a BCD store: the legacy loader for every selected system,
// then NT5 boot code. False when the boot code was not written.
bool RepairBootNt5(RepairRun& run, const RepairRequest& request, const BootTarget& target);

// bcdboot's parameters for a Windows folder: "/s" and the firmware for a lettered partition;
// without a letter the tool finds the firmware's system partition itself.
// extraSwitch (may be empty) goes last.
std::wstring BcdbootParameters(const BootTarget& target, const std::wstring& windowsFolder,
                               const std::wstring& extraSwitch);

}  // namespace qn

#pragma once

#include <string>
#include <vector>

#include "repair/boot_target.h"
#include "repair/repair_request.h"
#include "repair/repair_run.h"

namespace qn {

// What reading the boot configuration back says of one repaired system.
struct SystemCheck {
    char letter = 0;
    std::wstring name;
    std::wstring menuText;  // its menu line as read back; empty when none was found
    bool bootable = false;
    // False when it depends on boot code the run did not write and cannot read: the files and
    // menu are right, whether the old code starts them is unknown.
    bool certain = true;
    std::wstring reason;  // why not, in the user's words
    bool isDefault = false;
};

// Reads back what the repair left (the store through bcdedit's enumeration, boot.ini through the
// profile functions, the boot files' presence) and checks every selected system: a menu entry
// that is in the menu, names the system's own partition and whose loader is there. One row per
// system ("验证: C: Windows 7 Ultimate x64 可以启动"); a system that cannot boot is a failure.
// The row also names the menu line when the run gave it a drive letter to tell it from a twin
// (DistinctMenuNames), or when the line reads otherwise than the run wrote it.
std::vector<SystemCheck> VerifyRepair(RepairRun& run, const RepairRequest& request,
                                      const BootTarget& target, bool bcdEngine,
                                      bool bootCodeWritten);

}  // namespace qn

#pragma once

#include <string>
#include <vector>

#include "diagnosis/boot_diagnosis.h"
#include "disk/windows_install.h"
#include "run/repair_run.h"

namespace qn {

// What the diagnosis after a repair says of one repaired system.
struct SystemCheck {
    char letter = 0;
    std::wstring name;
    std::wstring menuText;  // the menu line that starts it; empty when none was found
    bool bootable = false;
    // False when the diagnosis could not see whether it starts (a sector or store it could not
    // read): the row says what it could not check instead of a verdict.
    bool certain = true;
    std::wstring reason;  // why not, in the user's words
    bool isDefault = false;
};

// One row per selected system from the diagnosis that judges the run (the one after it, or the
// one made as if the firmware started the partition the boot files went to), so the rows can
// never contradict the run's last row: "验证: C: Windows 7 Ultimate x64 可以启动（默认启动项）"
// or "... 无法启动: <the diagnosis's reason>". The row also names the menu line when the run gave
// it a drive letter to tell it from a twin (DistinctMenuNames), or when the line reads otherwise
// than the run wrote it. Then the default entry, when no repaired system is it.
std::vector<SystemCheck> VerifyRepair(RepairRun& run, const InstallationTable& installations,
                                      const BootDiagnosis& judged);

}  // namespace qn

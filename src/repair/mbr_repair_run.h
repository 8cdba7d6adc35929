#pragma once

#include "repair/repair_engine.h"

namespace qn {

// bootsect's parameters for the kind: the partition's boot record with NT6 or NT5 code, or the
// disk's master boot record, with NT5 code only when the partition holds boot.ini and no store.
std::wstring MbrRepairParameters(const MbrRepairRequest& request, FileSystem& files);

// The row that announces the work ("正在修复激活分区 C: NT6 PBR引导......").
std::wstring MbrRepairLine(const MbrRepairRequest& request);

// Rewrites the boot code with bootsect: "分区表类型为: MBR", the progress row ending in
// "成功!" only when bootsect succeeded, the completion row and the log row.
// Asks the guards first (another loader's code in the MBR, BitLocker), as the repair does.
RepairOutcome RunMbrRepair(const MbrRepairRequest& request, RepairPorts& ports, RepairSink& sink,
                           const RunLabel& label, GuardAsker& asker);

}  // namespace qn

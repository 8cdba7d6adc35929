#pragma once

#include <cstdint>
#include <string>

#include "diagnosis/boot_diagnosis.h"
#include "disk/boot_partition.h"
#include "disk/windows_install.h"

namespace qn {

// The partition an automatic repair puts the boot files on, and why.
struct BootPartitionChoice {
    BootPartition partition;  // none chosen when there is no candidate at all
    bool removable = false;
    std::wstring why;   // "BIOS 启动盘"
    std::wstring text;  // "磁盘1 激活分区 S: (BIOS 启动盘)"
};

// The partition the firmware really starts, as the diagnosis reads the machine:
//  - BIOS (and an unknown firmware): the active partition of the lowest-numbered fixed disk that
//    has one; a removable disk only when no fixed disk has an active partition;
//  - UEFI: the EFI system partition the firmware's first live Windows Boot Manager entry names
//    (on a fixed disk, its loader there), else that of the disk holding the first selected
//    Windows (the first one when none is selected yet), else the first one, fixed disks before
//    removable ones.
// A stick the program was started from is gone at the next start: it is never chosen while a
// fixed disk qualifies. Without a diagnosis (it could not be made) the lowest disk number wins.
BootPartitionChoice ChooseBootPartition(const BootPartitionMap& candidates,
                                        const BootDiagnosis* diagnosis,
                                        const InstallationTable& installations);

// "磁盘1 激活分区 S:", "磁盘0 EFI 系统分区 (无盘符)", with " (可移动)" for a removable disk.
std::wstring BootPartitionText(const BootPartition& partition, bool esp, bool removable);

// Whether the diagnosis reads that disk as removable (false when it does not know the disk).
bool DiskIsRemovable(const BootDiagnosis* diagnosis, std::int32_t disk);

}  // namespace qn

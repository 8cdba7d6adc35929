#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "disk/boot_partition.h"
#include "disk/disk_info.h"
#include "disk/partition_information.h"
#include "disk/storage_port.h"

namespace qn {

// What the start page shows of one disk, taken from the inventory.
struct DiskSummaryInput {
    std::uint32_t diskNumber = 0;
    PartitionStyle style = PartitionStyle::Raw;
    struct Partition {
        std::string rootPath;  // "C:\"
        bool bootIndicator = false;
    };
    std::vector<Partition> partitions;  // by starting offset
};

struct StartSummary {
    std::wstring diskText;    // "lbStDkPt"
    std::wstring activeText;  // "lbStActPt"
    BootPartitionMap bootPartitions;
};

// The disks of the inventory in ascending number (disks of size 0 are not in it), with the
// partition-table style each reports now.
std::vector<DiskSummaryInput> SummaryInputFrom(const DiskInfo& inventory, StoragePort& storage);

// espLetters: disk number -> letter of that disk's EFI system partition (the mount table).
StartSummary BuildStartSummary(const std::vector<DiskSummaryInput>& disks,
                               const std::map<std::int32_t, char>& espLetters, bool isWinPE);

// Windows PE runs from X:; only the upper-case letter counts.
bool IsWinPeSystemDirectory(const std::wstring& systemDirectory);

// "lbStOs": the running system's product name, with " PE" in Windows PE.
std::wstring OperatingSystemText(const std::wstring& productName, bool isWinPE);

// Start-up cannot go on without a partition to put boot files on.
inline bool StartupMustAbort(const BootPartitionMap& bootPartitions) {
    return bootPartitions.empty();
}

}  // namespace qn

#include "disk/arc_key_of_letter.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "boot/arc_path.h"
#include "disk/storage_queries.h"

namespace qn {

std::int32_t BiosRdisk(StoragePort& storage, const DiskInfo& inventory, std::int32_t bootDisk,
                       std::int32_t disk) {
    std::vector<std::pair<bool, std::int32_t>> others;  // removable, number
    bool known = disk == bootDisk;
    for (const DiskRecord& record : inventory.Disks()) {
        const auto number = static_cast<std::int32_t>(record.diskNumber);
        known = known || number == disk;
        if (number != bootDisk) {
            others.emplace_back(IsRemovableDisk(storage, number), number);
        }
    }
    if (!known) {
        return -1;
    }
    if (disk == bootDisk) {
        return 0;
    }
    std::sort(others.begin(), others.end());
    const bool bootListed = std::any_of(
        inventory.Disks().begin(), inventory.Disks().end(),
        [&](const DiskRecord& r) { return static_cast<std::int32_t>(r.diskNumber) == bootDisk; });
    for (std::size_t i = 0; i < others.size(); ++i) {
        if (others[i].second == disk) {
            return static_cast<std::int32_t>(i) + (bootListed ? 1 : 0);
        }
    }
    return -1;
}

std::optional<std::wstring> ArcKeyOfLetter(StoragePort& storage, const DiskInfo& inventory,
                                           char letter, std::int32_t bootDisk) {
    const std::int32_t disk = GetDiskNumberOfLetter(storage, letter);
    if (disk < 0) {
        return std::nullopt;
    }
    if (bootDisk < 0) {
        // The BIOS starts the lowest fixed disk (a stick only when there is nothing else).
        for (const DiskRecord& record : inventory.Disks()) {
            const auto number = static_cast<std::int32_t>(record.diskNumber);
            if (!IsRemovableDisk(storage, number) && (bootDisk < 0 || number < bootDisk)) {
                bootDisk = number;
            }
        }
    }
    const std::int32_t rdisk = bootDisk < 0 ? 0 : BiosRdisk(storage, inventory, bootDisk, disk);
    if (rdisk < 0) {
        return std::nullopt;
    }
    // Counting lettered partitions alone misses an unlettered one in front (a recovery or
    // vendor partition), and ntldr would look for Windows on the wrong partition.
    std::uint32_t partition = GetPartitionNumberOfLetter(storage, letter);
    if (partition == 0) {
        partition = static_cast<std::uint32_t>(inventory.GetOrdinalOfLetter(letter));
    }
    return ArcKey(rdisk, partition);
}

}  // namespace qn

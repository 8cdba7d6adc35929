#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "disk/disk_record.h"
#include "disk/partition_record.h"
#include "disk/storage_port.h"
#include "platform/code_page.h"

namespace qn {

// The program's picture of the machine's storage: every lettered volume, every physical disk
// numbered 0 to 15, and which letters lie on which disk in which order.
//
// Built once per process through GetInstance and rebuilt only on request, never piecemeal.
// References into it stay valid until the next rebuild; worker threads read it without a lock,
// which is sound only because no rebuild runs while they do.
class DiskInfo {
public:
    // Disks probed: "\\.\PhysicalDrive0" to "\\.\PhysicalDrive15".
    static constexpr std::uint32_t kMaxDisks = 16;

    // Builds the inventory over the given ports at once.
    DiskInfo(StoragePort& storage, CodePage& codePage);
    virtual ~DiskInfo() = default;
    DiskInfo(const DiskInfo&) = delete;
    DiskInfo& operator=(const DiskInfo&) = delete;

    // The process-wide inventory over the system's storage. Concurrent first calls build it
    // once; with refresh true it is rebuilt before it is returned.
    static DiskInfo& GetInstance(bool refresh);

    // Forgets everything and builds again: volumes, then disks, then the per-disk lists.
    void Refresh();

    // Every drive root with a ready volume, in root order (A: to Z:).
    const std::vector<PartitionRecord>& Partitions() const { return partitions_; }
    // Every disk that opened and described itself, by disk number.
    const std::vector<DiskRecord>& Disks() const { return disks_; }
    // Disk number -> its lettered partitions by starting offset. Disks of size 0 have no entry.
    const std::map<std::uint32_t, std::vector<const PartitionRecord*>>& PartitionsByDisk() const {
        return partitionsByDisk_;
    }
    // Disk number -> its record, for the disks that have an entry in PartitionsByDisk.
    const std::map<std::uint32_t, const DiskRecord*>& DiskByNumber() const { return diskByNumber_; }

    // The label of the letter's volume; empty when the letter has no record.
    std::wstring GetVolumeLabelOfLetter(char letter) const;
    // The letter's position on its disk; 1 when the letter is on no disk's list.
    std::int32_t GetOrdinalOfLetter(char letter) const;

private:
    void BuildVolumes();
    void BuildDisks();
    void BuildPerDiskLists();

    StoragePort& storage_;
    CodePage& codePage_;

    std::vector<PartitionRecord> partitions_;
    std::vector<DiskRecord> disks_;
    std::map<std::uint32_t, std::vector<const PartitionRecord*>> partitionsByDisk_;
    std::map<std::uint32_t, const DiskRecord*> diskByNumber_;
};

}  // namespace qn

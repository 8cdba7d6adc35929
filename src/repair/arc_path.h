#pragma once

#include <optional>
#include <string>

#include "disk/disk_info.h"
#include "disk/storage_port.h"

namespace qn {

// The boot.ini key of the Windows on a letter: "multi(0)disk(0)rdisk(R)partition(P)\WINDOWS".
// R is the disk's BIOS order, taken as its disk number (0 for a removable disk: the machine
// boots from it as its first disk). P is the partition's number on the disk as ntldr counts
// (every partition, lettered or not); only when the system cannot tell it, the letter's place
// among the disk's lettered partitions. Nothing when the letter's disk is unknown.
std::optional<std::wstring> ArcKeyOfLetter(StoragePort& storage, const DiskInfo& inventory,
                                           char letter);

// The key text for a disk and partition number.
std::wstring ArcKey(std::int32_t rdisk, std::uint32_t partition);

}  // namespace qn

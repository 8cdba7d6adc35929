#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "disk/disk_info.h"
#include "disk/storage_port.h"

namespace qn {

// The boot.ini key of the Windows on a letter: "multi(0)disk(0)rdisk(R)partition(P)\WINDOWS".
// R is the disk's place in the BIOS's order when it starts bootDisk (where ntldr and boot.ini
// go; -1: the lowest fixed disk, as the BIOS starts it): that disk is rdisk(0), the
// other fixed disks follow by number, removable ones last. P is the partition's number on the
// disk as ntldr counts (every partition, lettered or not); only when the system cannot tell it,
// the letter's place among the disk's lettered partitions. Nothing when the letter's disk is
// unknown.
std::optional<std::wstring> ArcKeyOfLetter(StoragePort& storage, const DiskInfo& inventory,
                                           char letter, std::int32_t bootDisk);

// The disk's place in that order (-1: not a disk of the inventory).
std::int32_t BiosRdisk(StoragePort& storage, const DiskInfo& inventory, std::int32_t bootDisk,
                       std::int32_t disk);

}  // namespace qn

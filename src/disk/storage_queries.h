#pragma once

#include <cstdint>

#include "disk/partition_information.h"
#include "disk/storage_port.h"

namespace qn {

// Questions the repair workflows ask about one letter or one disk. Each asks the devices afresh
// (the inventory is not consulted), opens its own device and closes it before returning, and
// answers a neutral value when anything fails: Raw, -1 or false. A letter is 'A' to 'Z' (lower
// case accepted); any other character gets the neutral value without a device being opened.

// The partition-table style of "\\.\PhysicalDriveN".
PartitionStyle GetPartitionStyle(StoragePort& storage, std::int32_t diskNumber);

// The disk a lettered volume lives on; -1 when it cannot be found, including a volume that spans
// more than one disk.
std::int32_t GetDiskNumberOfLetter(StoragePort& storage, char letter);

PartitionStyle GetPartitionStyleOfLetter(StoragePort& storage, char letter);

// A GPT partition of the EFI system partition type.
bool IsEfiSystemPartition(StoragePort& storage, char letter);

// The partition number Windows gives the letter's partition on its disk (1-based; on an MBR disk
// primary partitions first in table order, then logical ones, as ARC paths count them); 0 when
// it cannot be read.
std::uint32_t GetPartitionNumberOfLetter(StoragePort& storage, char letter);

// An MBR partition marked active (boot indicator set).
bool IsActivePartition(StoragePort& storage, char letter);

// Media removable or device hot-pluggable: USB sticks, card readers, eSATA.
bool IsRemovableDisk(StoragePort& storage, std::int32_t diskNumber);
bool IsRemovableLetter(StoragePort& storage, char letter);

// Something is mounted at the letter's root.
bool VolumeExists(StoragePort& storage, char letter);

}  // namespace qn

#pragma once

#include <cstdint>
#include <string>

#include "disk/boot_partition.h"
#include "repair/repair_start.h"

namespace qn {

// The editor page's line that names what it edits: the file, or the system store, and where
// the boot partition is.

// Where the boot partition is.
struct EditedPartition {
    std::int32_t disk = -1;  // -1: not known
    bool active = false;     // MBR boot indicator
    bool esp = false;        // GPT EFI system partition
};

// The boot partition as the start found it: an MBR disk's active partition or a GPT disk's
// EFI system partition; nothing is told of an ESP without a letter (its store is the system's).
EditedPartition EditedPartitionOf(const BootPartition& boot);

// "正在编辑: F:\Boot\BCD（磁盘0 激活分区）", "正在编辑: S:\EFI\Microsoft\Boot\BCD（磁盘1 EFI
// 系统分区）", "正在编辑: C:\boot.ini（磁盘0）", "正在编辑: 系统存储（ESP，无盘符）": bcd chooses
// the store over boot.ini; without a store file on the boot partition bcdedit edits the system
// store.
std::wstring EditedStoreText(bool bcd, const BootFileSet& files, const BootPartition& boot);

}  // namespace qn

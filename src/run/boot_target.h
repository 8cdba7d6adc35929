#pragma once

#include <string>

#include "disk/partition_information.h"
#include "disk/storage_port.h"

namespace qn {

// The partition that receives the boot files, as a run sees it.
struct BootTarget {
    char letter = 0;  // as chosen; '#' for an EFI system partition without a letter
    bool hasLetter = false;
    PartitionStyle style = PartitionStyle::Raw;  // Gpt for '#'; Raw when it cannot be read
    std::wstring drive;                          // "C:" ("#:" without a letter)
    std::wstring store;                          // the BCD store path on it
    std::wstring letterText;                     // "C", or "ESP" without a letter
};

// Works out style and store path: \EFI\Microsoft\Boot\BCD on a GPT disk, \Boot\BCD otherwise
// (also when the style cannot be read).
BootTarget MakeBootTarget(char bootLetter, StoragePort& storage);

}  // namespace qn

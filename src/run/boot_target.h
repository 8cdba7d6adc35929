#pragma once

#include <string>

#include "disk/partition_information.h"
#include "disk/storage_port.h"

namespace qn {

// The partition that receives the boot files, as a run sees it.
struct BootTarget {
    char letter = 0;  // as chosen; kEspWithoutLetter for an EFI system partition without a letter
    bool hasLetter = false;
    PartitionStyle style = PartitionStyle::Raw;  // Gpt without a letter; Raw when it cannot be read
    std::wstring drive;                          // "C:" ("#:" without a letter)
    std::wstring store;                          // the BCD store path on it
    std::wstring letterText;                     // "C", or "ESP" without a letter
};

// The partition style of a boot partition: an EFI system partition without a letter is on a GPT
// disk (nothing else is offered without a letter); any other is its disk's, Raw when unreadable.
PartitionStyle BootPartitionStyle(char bootLetter, StoragePort& storage);

// Works out style and store path: \EFI\Microsoft\Boot\BCD on a GPT disk, \Boot\BCD otherwise
// (also when the style cannot be read).
BootTarget MakeBootTarget(char bootLetter, StoragePort& storage);

}  // namespace qn

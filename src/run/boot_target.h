#pragma once

#include <string>

#include "disk/boot_partition.h"

namespace qn {

// The partition that receives the boot files, as a run sees it.
struct BootTarget {
    BootPartition partition;  // as chosen
    std::wstring drive;       // "C:" ("#:" without a letter)
    std::wstring store;       // the BCD store path on it
    std::wstring letterText;  // "C", or "ESP" without a letter
};

// The store path: \EFI\Microsoft\Boot\BCD on a GPT disk, \Boot\BCD otherwise (also when the
// style could not be read).
BootTarget MakeBootTarget(const BootPartition& partition);

}  // namespace qn

#pragma once

#include <string>

#include "repair/boot_target.h"
#include "repair/repair_run.h"

namespace qn {

enum class BootCodeKind { Nt60, Nt52 };

// bootsect's parameters: "/nt60 C:" or "/nt52 C:", with " /mbr" for the disk's master boot
// record too.
std::wstring BootsectParameters(BootCodeKind kind, const std::wstring& drive, bool mbr);

// Writes the boot code of the boot partition and of its disk's master boot record, with a row
// that ends in its outcome.
void WriteBootCode(RepairRun& run, const BootTarget& target, BootCodeKind kind);

}  // namespace qn

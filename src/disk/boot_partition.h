#pragma once

#include <cstdint>
#include <map>

#include "disk/partition_information.h"

namespace qn {

// The letter that stands for an EFI system partition without a drive letter.
inline constexpr char kEspWithoutLetter = '#';

// A partition the boot files can go on, as the inventory found it at the start: the active
// partition of an MBR disk or the EFI system partition of a GPT disk. It travels whole from the
// page (or the command line) to the tools' parameters, so nothing downstream looks its disk or
// style up again.
struct BootPartition {
    std::int32_t disk = -1;
    PartitionStyle style = PartitionStyle::Raw;
    char letter = 0;  // kEspWithoutLetter for an EFI system partition without a letter; 0: none

    bool Chosen() const { return letter != 0; }
    bool HasLetter() const { return letter != 0 && letter != kEspWithoutLetter; }
    bool IsUnletteredEsp() const { return letter == kEspWithoutLetter; }
    bool operator==(const BootPartition&) const = default;
};

// The boot partition candidates by disk number: one per disk that has one.
using BootPartitionMap = std::map<std::int32_t, BootPartition>;

// The candidate with that letter (kEspWithoutLetter: the first unlettered ESP); none (letter 0)
// when no disk offers it.
BootPartition FindBootPartition(const BootPartitionMap& candidates, char letter);

}  // namespace qn

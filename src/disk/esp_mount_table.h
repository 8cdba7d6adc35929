#pragma once

#include <cstdint>
#include <map>
#include <set>

namespace qn {

// The letters of the machine's EFI system partitions, per disk, and the letters this program
// mounted itself. Filled once at start-up; the mounts are undone at shutdown.
struct EspMountTable {
    // Disk number (as GetDiskNumberOfLetter gives it, so -1 is possible) -> the letter of that
    // disk's EFI system partition, whoever gave it the letter.
    std::map<std::int32_t, char> espLetters;
    // Letters mounted by this program or by the tool it ran: EFI system partitions and active
    // MBR partitions that had no letter. Only these are removed at shutdown; a letter the user
    // already had stays.
    std::set<char> temporaryLetters;
};

}  // namespace qn

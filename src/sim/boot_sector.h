#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "sim/boot_code_kind.h"

namespace qn::sim {

// What a volume's boot sector carries besides its code: the file system's parameter block.
struct VolumeGeometry {
    std::wstring fileSystem;  // "NTFS", "FAT32", "FAT", "exFAT"; others have no parameter block
    std::uint64_t hiddenSectors = 0;  // the partition's first sector on its disk
    std::uint64_t totalSectors = 0;
    std::uint32_t serial = 0;
};

// The volume's first sector (512 bytes) with boot code of that kind over its file system's
// parameter block. The code is the sim's own, shaped like real boot code: a jump, the OEM name
// of the file system ("NTFS    ", "MSWIN4.1" with "FAT32   ", "EXFAT   ", "-FVE-FS-" for
// BitLocker), a start-up routine and the messages such code prints ("BOOTMGR is missing",
// "NTLDR is missing"), and 55 AA.
std::vector<std::uint8_t> BootSectorBytes(BootRecordCode code, const VolumeGeometry& geometry);

// The kind whose sector for this volume these bytes are exactly; Other for anything else.
BootRecordCode ClassifyBootSector(std::span<const std::uint8_t> sector,
                                  const VolumeGeometry& geometry);

// Where an exFAT volume keeps its FAT and its clusters, in sectors from its start (4 KiB
// clusters, one FAT right after both boot regions, sectors 0-23).
inline constexpr std::uint32_t kExfatFatOffset = 32;
struct ExfatLayout {
    std::uint32_t fatLength = 0;
    std::uint32_t clusterHeapOffset = 0;
    std::uint32_t clusterCount = 0;
};
ExfatLayout ExfatLayoutOf(std::uint64_t totalSectors);

// Whether the stand-in bootsect can write boot code for this file system.
bool HasBootCodeLayout(const std::wstring& fileSystem);

}  // namespace qn::sim

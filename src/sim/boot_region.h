#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "sim/boot_sector.h"

namespace qn::sim {

// How many of a volume's first sectors the machine keeps on FAT, FAT32 and exFAT: the boot
// sector, what the file system reserves after it and the first FAT's first sectors. Of any other
// volume it keeps the boot sector alone.
inline constexpr std::uint32_t kKeptSectors = 64;

// Sectors 1 to kKeptSectors - 1 (fewer on a smaller volume) as formatting the volume with this
// boot sector leaves them; empty where the machine keeps only the boot sector.
//   FAT32: FSInfo at 1, the backup boot sector and FSInfo at 6 and 7, the first FAT from 32.
//   FAT:   the first FAT from 1 (a single reserved sector).
//   exFAT: extended boot sectors 1-8, OEM parameters 9, reserved 10, the boot checksum 11, the
//          backup boot region 12-23, the FAT from 32.
std::vector<std::uint8_t> FormattedSectors(std::span<const std::uint8_t> bootSector,
                                           const VolumeGeometry& geometry);

// exFAT's boot checksum over the first eleven sectors of a boot region (512 bytes each), every
// byte but the volume flags and the percentage in use (106, 107 and 112): the file system
// changes those while it is mounted.
std::uint32_t ExfatBootChecksum(std::span<const std::uint8_t> sectors);

// On exFAT, the main boot region's checksum sector made to match the boot sector and following
// sectors again, as bootsect and format leave it; nothing on any other file system.
void RefreshBootChecksum(std::span<const std::uint8_t> bootSector,
                         std::span<std::uint8_t> following, const VolumeGeometry& geometry);

}  // namespace qn::sim

#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "record/undo_record.h"
#include "run/repair_run.h"

namespace qn {

// Undo's sector writes: the boot code a run's bootsect replaced goes back, on the disk or volume
// the record saved it from and only while that is still the same one. A row per item.

// MbrCode: the saved sector 0's boot code, under today's partition table and disk signature.
void RestoreMbrCode(RepairRun& run, const UndoItem& item);

// BootRecord: Windows' own code through bootsect (as it fits the volume today); another loader's
// code as RestoreOfBootCode says.
void RestoreBootRecord(RepairRun& run, const UndoItem& item);

// Whose parameter block a volume's first sector holds.
enum class BootRecordFileSystem { Unknown, Ntfs, Fat, Fat32, Exfat, BitLocker };

BootRecordFileSystem BootRecordFileSystemOf(std::span<const std::uint8_t> sector);

// What undo writes to bring another loader's code back into a volume's boot record.
struct BootCodeRestore {
    BootRecordFileSystem fileSystem = BootRecordFileSystem::Unknown;  // today's
    // Sectors to write from firstSector on; none when the volume already holds that code.
    std::uint32_t firstSector = 0;
    std::vector<std::uint8_t> sectors;
    std::wstring refusal;  // why nothing may be written; empty when it may
};

// saved: the volume's first sectors as a run saved them; today: its first sectors now (the
// saved ones' count, or at least 12 for exFAT's boot region). Sector 0's code (its jump and all
// after the parameter block) goes back under today's parameter block. Only NTFS's boot code
// goes on into further sectors (its first 8 KiB); what follows the boot sector on FAT (the FAT),
// FAT32 (FSInfo, the backup boot sector) and exFAT (its other boot sectors) is the file
// system's, changes as files are written, and stays as it is today. On exFAT the boot region's
// checksum sector is made to match again, or nothing is written.
BootCodeRestore RestoreOfBootCode(std::span<const std::uint8_t> saved,
                                  std::span<const std::uint8_t> today, std::uint32_t sectorBytes);

}  // namespace qn

#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace qn {

// What the code in a disk's master boot record is, told by signature bytes (never by comparing
// whole sectors: every build and language of a loader differs).
enum class MbrCodeKind {
    None,      // no code at all (zeros, or one byte repeated): nothing runs
    Nt6,       // Windows Vista and later: starts the active partition's boot record
    Nt5,       // Windows 2000 / XP: the same, older code
    Grub,      // GRUB's first stage, which starts GRUB and not a partition
    Syslinux,  // Syslinux's MBR (mbr.bin, isohybrid): starts the active partition too
    Other,     // any other boot manager
};

// What the code in a volume's boot record loads.
enum class BootRecordKind {
    None,       // no code (a volume formatted without boot code, or zeros)
    Bootmgr,    // Windows NT6 boot code: looks for \bootmgr
    Ntldr,      // Windows NT5 boot code: looks for \ntldr
    Grub,       // GRUB installed into the partition
    Syslinux,   // SYSLINUX / EXTLINUX / ISOLINUX
    BitLocker,  // an encrypted volume ("-FVE-FS-"): its boot record starts nothing
    Other,
};

// The code area of sector 0 (its first 440 bytes; fewer when the sector is shorter).
//  - GRUB: the text "GRUB " that both GRUB's first stages print from.
//  - Syslinux: "SYSLINUX", "EXTLINUX" or "ISOLINUX" in any case, or the messages of Syslinux's
//    mbr.bin ("Operating system load error", "Multiple active partitions").
//  - Windows: the three messages of its MBR ("Invalid partition table", "Error loading operating
//    system", "Missing operating system"), or, for localised MBRs, the three message offsets that
//    Windows' MBR code keeps at 0x1B5..0x1B7 (each + 0x100) pointing at texts in the code area.
//    NT6 when the code asks the TPM to measure ("TCPA", Windows 7 on) or its messages start at
//    0x160 or later (Vista); NT5 otherwise.
MbrCodeKind ClassifyMbrCode(std::span<const std::uint8_t> sector);

// A volume's first sector: "-FVE-FS-" as OEM name is BitLocker; no code after the file system's
// parameter block is None; "GRUB " is GRUB; "SYSLINUX", "EXTLINUX", "ISOLINUX" are Syslinux;
// "BOOTMGR" (its messages, or its 8.3 name in FAT code) is NT6; "NTLDR" is NT5.
BootRecordKind ClassifyBootRecord(std::span<const std::uint8_t> sector);

// Codes that start the active partition's boot record, as Windows' own does.
bool StartsActivePartition(MbrCodeKind kind);

// How the diagnosis names them.
const wchar_t* MbrCodeText(MbrCodeKind kind);
const wchar_t* BootRecordText(BootRecordKind kind);

// One entry of the MBR's partition table.
struct MbrTableEntry {
    std::uint8_t bootFlag = 0;  // 0x80 active, 0 not; anything else makes the table invalid
    std::uint8_t type = 0;      // 0: unused entry
    std::uint32_t firstSector = 0;
    std::uint32_t sectorCount = 0;
};

// The partition table of sector 0 and its boot signature.
struct MbrLayout {
    bool bootSignature = false;  // 55 AA at 510: without it no BIOS runs the code
    std::array<MbrTableEntry, 4> entries{};
};

// Nothing for a sector shorter than 512 bytes.
std::optional<MbrLayout> ReadMbrLayout(std::span<const std::uint8_t> sector);

inline constexpr std::uint8_t kMbrActiveFlag = 0x80;
inline constexpr std::size_t kMbrCodeArea = 440;

}  // namespace qn

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "diagnosis/boot_code_classifier.h"
#include "diagnosis/firmware_boot_order.h"
#include "disk/partition_information.h"
#include "platform/firmware_port.h"

namespace qn {

// What one boot file is on a volume.
enum class FilePresence { Missing, Empty, Present };

// The boot files the diagnosis looks for at a volume's root.
struct BootFiles {
    FilePresence bootmgr = FilePresence::Missing;      // \bootmgr
    FilePresence bcd = FilePresence::Missing;          // \Boot\BCD
    FilePresence efiBcd = FilePresence::Missing;       // \EFI\Microsoft\Boot\BCD
    FilePresence bootmgfw = FilePresence::Missing;     // \EFI\Microsoft\Boot\bootmgfw.efi
    FilePresence efiFallback = FilePresence::Missing;  // the firmware's: \EFI\Boot\bootx64.efi ...
    FilePresence ntldr = FilePresence::Missing;        // \ntldr
    FilePresence ntdetect = FilePresence::Missing;     // \NTDETECT.COM
    FilePresence bootIni = FilePresence::Missing;      // \boot.ini
};

struct DiskDiagnosis {
    std::uint32_t number = 0;
    PartitionStyle style = PartitionStyle::Raw;
    bool removable = false;   // a USB stick, a card: not the disk the machine starts from
    bool sectorRead = false;  // sector 0 could be read; the fields below are from it
    MbrCodeKind mbrCode = MbrCodeKind::None;
    bool bootSignature = false;
    int activeCount = 0;          // partition table entries marked active
    bool tableValid = true;       // every boot flag is 0 or 0x80
    char activeLetter = 0;        // the lettered partition of the (first) active entry; 0: none
    bool activeExtended = false;  // the (first) active entry is an extended partition
    char espLetter = 0;           // the first lettered EFI system partition; 0: none
    bool hasEsp = false;          // an EFI system partition, lettered or not
};

struct VolumeDiagnosis {
    char letter = 0;
    std::int32_t disk = -1;  // -1: unknown (a volume on more than one disk)
    PartitionStyle style = PartitionStyle::Raw;
    std::uint32_t partitionNumber = 0;  // as ARC paths count; 0: unknown
    std::wstring fileSystem;
    bool active = false;
    bool esp = false;
    std::optional<BootRecordKind> bootRecord;  // nullopt: its first sector could not be read
    BootFiles files;
    // BitLocker's boot record and a root that cannot be listed: encrypted and locked. Nothing on
    // it can be checked; files says nothing of what it holds.
    bool locked = false;
};

// A Windows the diagnosis judges: found by the installation scan, or by its files.
struct InstallationDiagnosis {
    char letter = 0;
    std::wstring name;
    bool beforeVista = false;  // started by ntldr, not by the boot manager
    bool bootable = false;     // an entry of the menu the firmware reaches starts it
    bool isDefault = false;    // ...and that entry is the default
    std::wstring reason;       // why not, in the user's words; empty when bootable
    std::wstring menuText;     // the line that starts it (else the first naming it); may be empty
};

enum class MenuSource { None, Bcd, BootIni };

// One entry of the boot menu the firmware reaches, followed to what it starts.
struct MenuEntryDiagnosis {
    std::wstring identifier;  // the store's identifier; the ARC path for a boot.ini line
    std::wstring description;
    char target = 0;         // the partition whose Windows it names (0: none it can name)
    bool reaches = false;    // it starts that Windows
    bool isDefault = false;  // the one that starts by itself
    std::wstring problem;    // why it starts nothing; empty when it reaches
};

// What the machine would do at its next start, read without changing anything: the road from the
// firmware to a Windows, every disk's boot code, every lettered volume's boot record and boot
// files, and for each installation whether a menu entry starts it. The verdict of the simulated
// machine is the oracle this is tested against (tests/unit/sim_diagnosis_agreement_test.cpp).
struct BootDiagnosis {
    // How the machine starts its disks: the running system's firmware mode, unless the disks
    // plainly say otherwise (Windows PE started the other way, from a stick), and then
    // firmwareReason says why.
    FirmwareMode firmware = FirmwareMode::Unknown;
    FirmwareMode runningFirmware = FirmwareMode::Unknown;  // how the running system was started
    std::wstring firmwareReason;     // empty when firmware is the running system's own
    bool firmwareConfirmed = false;  // firmware is the user's word, not the disks' guess
    // UEFI: what the firmware runs, and so the fallback loader it looks for on each EFI system
    // partition ("\EFI\Boot\bootia32.efi" on 32-bit firmware).
    FirmwareArchitecture architecture = FirmwareArchitecture::Unknown;
    std::wstring fallbackLoader;
    std::vector<DiskDiagnosis> disks;
    std::vector<VolumeDiagnosis> volumes;
    // UEFI only: the firmware's boot order through the system store; unknown when that store
    // cannot be opened (it is then judged by the EFI system partitions' fallback loaders).
    bool firmwareOrderKnown = false;
    std::vector<FirmwareBootEntry> firmwareOrder;
    std::vector<FirmwareBootEntry> firmwareBootSequence;  // the one-time next boot, tried first

    std::vector<std::wstring> chain;  // the links followed, in words, in order
    char bootLetter = 0;              // the partition the boot manager (or ntldr) starts from
    bool menuReached = false;         // the road reached a boot manager or ntldr and its menu
    MenuSource menuSource = MenuSource::None;
    std::wstring menuFile;  // "C:\Boot\BCD", "C:\boot.ini"
    std::optional<int> timeout;
    std::vector<MenuEntryDiagnosis> menu;  // in the order the menu shows them
    std::vector<InstallationDiagnosis> installations;

    bool boots = false;    // the default entry starts a Windows by itself
    std::wstring problem;  // the first broken link; empty when it boots
    // The road ended where the diagnosis could not see (a sector it could not read, a partition
    // without a letter): problem says what it could not check, not that the machine is broken.
    bool unseen = false;
};

// The disks overruled the running system and no one confirmed it: whether the firmware starts
// the disks that way is a setting the running system cannot read.
inline bool FirmwareInDoubt(const BootDiagnosis& diagnosis) {
    return !diagnosis.firmwareReason.empty() && !diagnosis.firmwareConfirmed;
}

// The one line the start page shows: "引导正常", or the first problem.
std::wstring DiagnosisStatus(const BootDiagnosis& diagnosis);

// The letters of the locked volumes, ascending: whatever Windows they hold was not judged.
std::vector<char> LockedVolumeLetters(const BootDiagnosis& diagnosis);

// The volume with that letter; null when the diagnosis has none.
const VolumeDiagnosis* FindVolume(const BootDiagnosis& diagnosis, char letter);
const DiskDiagnosis* FindDisk(const BootDiagnosis& diagnosis, std::int32_t number);

// The disk the BIOS starts: the lowest-numbered fixed disk, a removable one only when there is
// no fixed disk (the program usually runs from a stick that is gone at the next start); null
// without disks.
const DiskDiagnosis* BiosBootDisk(const BootDiagnosis& diagnosis);

}  // namespace qn

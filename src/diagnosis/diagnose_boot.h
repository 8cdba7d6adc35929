#pragma once

#include "boot/bcd_store.h"
#include "diagnosis/boot_diagnosis.h"
#include "disk/disk_info.h"
#include "disk/storage_port.h"
#include "disk/windows_install.h"
#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/firmware_port.h"
#include "platform/fs_redirection.h"
#include "platform/profile_file.h"
#include "platform/random_source.h"

namespace qn {

// What the diagnosis reads. It never writes: sectors are read from devices opened for reading,
// files are only looked at, the stores are enumerated, boot.ini is read.
struct DiagnosisPorts {
    StoragePort& storage;  // sector 0 of the disks, the volumes' boot records, partition styles
    FileSystem& files;     // which boot files are there, and their sizes
    ProfileFile& profile;  // boot.ini, through the program's own reader
    RandomSource& random;  // the reader's identifiers
    CodePage& codePage;
    FsRedirection& redirection;  // turned off for the calling thread while it reads
    FirmwarePort& firmware;
    const DiskInfo& inventory;  // the lettered volumes and their places on the disks
    BcdTool bcdedit;            // from PrepareTool; an empty path: no store can be read
};

// Reads what the machine has and follows the road its firmware would take at the next start:
//  - BIOS (and an unknown firmware, judged as BIOS): the lowest-numbered disk's sector 0 (boot
//    code, boot signature, partition table; a removable disk only when there is no fixed one),
//    its active partition's boot record, then bootmgr and \Boot\BCD, or ntldr, NTDETECT.COM and
//    boot.ini;
//  - UEFI: the one-time next boot, the firmware's boot entries in their order (from the system
//    store), then each EFI system partition's fallback loader (named for the firmware's
//    architecture); the first one whose file is there decides; Windows Boot Manager reads
//    \EFI\Microsoft\Boot\BCD next to it, and runs its one-time boot sequence before its menu.
// The menu's entries are enumerated with bcdedit (the program's own enumeration) or read from
// boot.ini (the program's own reader), and each is followed to the Windows it starts. Every
// installation is then judged: bootable when an entry of that menu starts it.
// installations: the systems to judge (from the installation scan); null finds them by their
// files (\Windows\System32\config\SOFTWARE; winload.exe, winload.efi, \Windows\Boot or the
// store template mark Vista and later); one whose version the scan could not read is dated so.
// Runs on the calling thread and blocks while bcdedit runs: call it on a worker.
// assumedBootPartition (a letter; 0: none) judges the machine as if the firmware started that
// partition: BIOS from its disk, UEFI from Windows Boot Manager on it. For boot files written
// on purpose to a disk this machine does not start (a disk for another PC).
// confirmedFirmware (Unknown: none) is how the user said the machine starts, when the disks and
// the running system disagree: judged that way, without doubt.
BootDiagnosis DiagnoseBoot(DiagnosisPorts& ports, const InstallationTable* installations,
                           char assumedBootPartition = 0,
                           FirmwareMode confirmedFirmware = FirmwareMode::Unknown);

// The installations a diagnosis without a scan judges, found by their files.
InstallationTable FindInstallationsByFiles(FileSystem& files, const DiskInfo& inventory);

}  // namespace qn

#pragma once

#include <string>

#include "diagnosis/boot_diagnosis.h"

namespace qn {

// How the machine starts its disks. Usually as the running system was started; but a technician's
// Windows PE stick may have been started the other way (through the compatibility module of a
// UEFI machine, or as a UEFI application on a machine set to start its disks the BIOS way), and
// then the disks say how the machine really starts.
struct FirmwareJudgment {
    FirmwareMode mode = FirmwareMode::Unknown;
    std::wstring reason;  // why the disks overrule the running system; empty when they do not
};

// From the disks and volumes of read (as ReadDisks/ReadVolumes leave them):
// - started the BIOS way (or unknown), the BIOS boot disk a fixed GPT disk with an EFI system
//   partition, and no fixed MBR disk's active partition holding bootmgr or ntldr: UEFI (a BIOS
//   cannot start Windows from a GPT disk);
// - started as a UEFI application, no fixed disk with an EFI system partition, and the BIOS boot
//   disk a fixed MBR disk whose active partition holds bootmgr or ntldr: BIOS.
// Otherwise the running system's mode, without a reason.
FirmwareJudgment JudgeFirmware(FirmwareMode running, const BootDiagnosis& read);

// A machine judged by the disks' guess does not "boot": whether its firmware starts the disks
// that way cannot be read from the running system. What the guess reaches is kept (menu, entries)
// but the diagnosis and its installations say they cannot confirm it. Nothing without doubt.
void DoubtTheFirmware(BootDiagnosis& diagnosis);

}  // namespace qn

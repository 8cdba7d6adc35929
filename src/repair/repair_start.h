#pragma once

#include <functional>
#include <optional>
#include <string>

#include "diagnosis/boot_diagnosis.h"
#include "disk/boot_partition.h"
#include "disk/windows_install.h"
#include "platform/file_system.h"
#include "platform/firmware_architecture.h"
#include "platform/firmware_port.h"

namespace qn {

// What the firmware that will start the machine is, as far as the program can tell.
struct FirmwareKind {
    FirmwareMode mode = FirmwareMode::Unknown;
    FirmwareArchitecture architecture = FirmwareArchitecture::Unknown;
};

// The firmware as a diagnosis read it; unknown without one.
FirmwareKind FirmwareOf(const BootDiagnosis* diagnosis);

// Whether a 32-bit Windows can start from a GPT disk here: only 32-bit UEFI firmware runs it,
// and Windows ships 32-bit EFI boot files only from Windows 8 on.
bool Starts32BitFromGpt(const WindowsInstall& system, const FirmwareKind& firmware);

// The automatic repair's choice of systems: every one, except 32-bit systems on a GPT boot disk
// that this firmware cannot start (any but a 32-bit UEFI's), which keep their mark.
void SelectForAutomaticRepair(InstallationTable& installations, PartitionStyle bootStyle,
                              const FirmwareKind& firmware = {});

// The refusal when a selected 32-bit system would have to boot from a GPT disk it cannot start
// from; nullopt when the start may go on.
std::optional<std::wstring> Gpt32BitRefusal(const BootPartition& boot,
                                            const InstallationTable& installations,
                                            const FirmwareKind& firmware = {});

// The boot files found on the chosen boot partition, for the editor.
struct BootFileSet {
    bool found = false;  // false for an EFI system partition without a letter
    std::wstring bootIniPath;
    std::wstring bcdStorePath;
};

// Looks for the store (\EFI\Microsoft\Boot\BCD on GPT, \Boot\BCD on MBR) and boot.ini (MBR).
BootFileSet FindBootFiles(const BootPartition& boot, FileSystem& files);

}  // namespace qn

#pragma once

#include <functional>
#include <optional>
#include <string>

#include "disk/partition_information.h"
#include "disk/windows_install.h"
#include "platform/file_system.h"

namespace qn {

// The automatic repair's choice of systems: every one, except 32-bit systems on a GPT boot disk
// (UEFI firmware of a 64-bit machine cannot start them), which keep their mark.
void SelectForAutomaticRepair(InstallationTable& installations, PartitionStyle bootStyle);

// The refusal when a selected 32-bit system would have to boot from a GPT disk; nullopt when
// the start may go on.
std::optional<std::wstring> Gpt32BitRefusal(char bootLetter, PartitionStyle bootStyle,
                                            const InstallationTable& installations);

// The boot files found on the chosen boot partition, for the editor.
struct BootFileSet {
    bool found = false;  // false for an EFI system partition without a letter
    std::wstring bootIniPath;
    std::wstring bcdStorePath;
};

// Looks for the store (\EFI\Microsoft\Boot\BCD on GPT, \Boot\BCD on MBR) and boot.ini (MBR).
BootFileSet FindBootFiles(char bootLetter, PartitionStyle style, FileSystem& files);

}  // namespace qn

#pragma once

#include <optional>
#include <string_view>

namespace qn::sim {

// What the code in a disk's master boot record does.
enum class MbrCode {
    None,      // all zero: nothing runs
    Nt60,      // Windows Vista and later: starts the active partition's boot record
    Nt52,      // Windows 2000/XP: the same, older code
    Grub,      // GRUB's first stage
    Syslinux,  // Syslinux's mbr.bin: starts the active partition's boot record, as Windows' does
    Other,     // anything else
};

// What the code in a volume's boot record loads.
enum class BootRecordCode {
    None,       // all zero
    Bootmgr,    // looks for \bootmgr
    Ntldr,      // looks for \ntldr
    Grub,       // GRUB's first stage
    BitLocker,  // an encrypted volume ("-FVE-FS-")
    Other,
};

// What a boot file holds, so a copy is still what it was copied from.
enum class FileImage {
    Empty,       // zero bytes
    Bootmgr,     // \bootmgr, the BIOS boot manager
    BootmgrEfi,  // bootmgfw.efi, also as the fallback \EFI\Boot\boot<arch>.efi
    Ntldr,
    Ntdetect,
    Winload,     // winload.exe
    WinloadEfi,  // winload.efi
    Grub,        // grubx64.efi, shimx64.efi
    Other,       // any other non-empty content
};

std::optional<MbrCode> MbrCodeFromName(std::wstring_view name);
const wchar_t* MbrCodeName(MbrCode code);
std::optional<BootRecordCode> BootRecordCodeFromName(std::wstring_view name);
const wchar_t* BootRecordCodeName(BootRecordCode code);
std::optional<FileImage> FileImageFromName(std::wstring_view name);

}  // namespace qn::sim

#pragma once

#include <cstdint>

namespace qn {

// The processor architecture a UEFI firmware runs programs of. It names the loader the firmware
// falls back to when none of its boot entries starts: \EFI\Boot\BOOT<arch>.EFI, the name every
// UEFI firmware looks for on removable media. Unknown when the system cannot tell.
enum class FirmwareArchitecture { Unknown, X64, X86, Arm64 };

// "\EFI\Boot\bootx64.efi", "\EFI\Boot\bootia32.efi", "\EFI\Boot\bootaa64.efi"; an unknown
// architecture is taken as x64, by far the most common.
inline const wchar_t* FallbackLoaderPath(FirmwareArchitecture architecture) {
    switch (architecture) {
        case FirmwareArchitecture::X86:
            return L"\\EFI\\Boot\\bootia32.efi";
        case FirmwareArchitecture::Arm64:
            return L"\\EFI\\Boot\\bootaa64.efi";
        case FirmwareArchitecture::X64:
        case FirmwareArchitecture::Unknown:
            break;
    }
    return L"\\EFI\\Boot\\bootx64.efi";
}

// "x64", "x86", "ARM64", "未知": how the diagnosis and the log name an architecture.
inline const wchar_t* FirmwareArchitectureText(FirmwareArchitecture architecture) {
    switch (architecture) {
        case FirmwareArchitecture::X64:
            return L"x64";
        case FirmwareArchitecture::X86:
            return L"x86";
        case FirmwareArchitecture::Arm64:
            return L"ARM64";
        case FirmwareArchitecture::Unknown:
            break;
    }
    return L"\u672a\u77e5";  // 未知
}

// The architecture of a PE machine type (IMAGE_FILE_MACHINE_*), as IsWow64Process2 gives the
// native one.
inline FirmwareArchitecture ArchitectureOfImageMachine(std::uint16_t machine) {
    switch (machine) {
        case 0x8664:  // IMAGE_FILE_MACHINE_AMD64
            return FirmwareArchitecture::X64;
        case 0x014C:  // IMAGE_FILE_MACHINE_I386
            return FirmwareArchitecture::X86;
        case 0xAA64:  // IMAGE_FILE_MACHINE_ARM64
            return FirmwareArchitecture::Arm64;
        default:
            break;
    }
    return FirmwareArchitecture::Unknown;
}

// The architecture of a PROCESSOR_ARCHITECTURE_* value, as GetNativeSystemInfo gives it.
inline FirmwareArchitecture ArchitectureOfProcessor(std::uint16_t processor) {
    switch (processor) {
        case 9:  // PROCESSOR_ARCHITECTURE_AMD64
            return FirmwareArchitecture::X64;
        case 0:  // PROCESSOR_ARCHITECTURE_INTEL
            return FirmwareArchitecture::X86;
        case 12:  // PROCESSOR_ARCHITECTURE_ARM64
            return FirmwareArchitecture::Arm64;
        default:
            break;
    }
    return FirmwareArchitecture::Unknown;
}

}  // namespace qn

#pragma once

#include "platform/firmware_architecture.h"

namespace qn {

// How the firmware started the running system: from a legacy BIOS (or a UEFI's compatibility
// module, which is the same to Windows) or as a UEFI application. Unknown when the system
// cannot tell.
enum class FirmwareMode { Unknown, Bios, Uefi };

// The firmware of the machine the program runs on. It decides which boot configuration the next
// start reads: a BIOS reads the boot disk's master boot record and the active partition, a UEFI
// its boot entries and the EFI system partition.
class FirmwarePort {
public:
    virtual ~FirmwarePort() = default;
    virtual FirmwareMode Mode() = 0;
    // What a UEFI firmware runs. It starts only a Windows of its own architecture, so this is the
    // running Windows' native one; meaningless on BIOS.
    virtual FirmwareArchitecture Architecture() = 0;
};

// "UEFI", "BIOS", "未知": how the diagnosis and the log name a mode.
inline const wchar_t* FirmwareModeText(FirmwareMode mode) {
    switch (mode) {
        case FirmwareMode::Bios:
            return L"BIOS";
        case FirmwareMode::Uefi:
            return L"UEFI";
        case FirmwareMode::Unknown:
            break;
    }
    return L"\u672a\u77e5";  // 未知
}

// The running program's firmware. Which adapter stands behind it (the real one, or the simulated
// machine's scenario) is decided by what the build links.
FirmwarePort& SystemFirmware();

}  // namespace qn

#pragma once

#include <cstdint>

#include "platform/firmware_port.h"

namespace qn::win32 {

// The firmware mode of the running Windows. GetFirmwareType (Windows 8 and later) is looked up at
// run time, because Windows 7 and its PE lack it; without it, the firmware variable query below
// tells the two apart.
class Win32FirmwarePort final : public FirmwarePort {
public:
    FirmwareMode Mode() override;
    // The native architecture: IsWow64Process2 (Windows 10 1709 and later, looked up at run time)
    // sees through x64 emulation on ARM64, which GetNativeSystemInfo does not.
    FirmwareArchitecture Architecture() override;
};

// GetFirmwareType's answer; Unknown when kernel32 has no such function or it fails.
FirmwareMode FirmwareModeFromGetFirmwareType();

// The Windows 7 way: reading a firmware variable of an empty name in a namespace that does not
// exist fails with ERROR_INVALID_FUNCTION on BIOS firmware, and with another error on UEFI.
FirmwareMode FirmwareModeFromVariableQuery();

// The decision of FirmwareModeFromVariableQuery, from the call's result and GetLastError.
FirmwareMode FirmwareModeFromVariableError(std::uint32_t bytesRead, std::uint32_t lastError);

}  // namespace qn::win32

#include "platform/win32/win32_firmware_port.h"

#include <windows.h>

namespace qn::win32 {
namespace {

// FIRMWARE_TYPE values, named here because older SDK headers lack the enumeration.
constexpr int kFirmwareTypeBios = 1;
constexpr int kFirmwareTypeUefi = 2;

using GetFirmwareTypeFunction = BOOL(WINAPI*)(int*);
using IsWow64Process2Function = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);

// A namespace no firmware has.
constexpr wchar_t kDummyGuid[] = L"{00000000-0000-0000-0000-000000000000}";

}  // namespace

FirmwareMode FirmwareModeFromGetFirmwareType() {
    // GetFirmwareType: Windows 8 and later, so it is found at run time.
    // https://learn.microsoft.com/windows/win32/api/winbase/nf-winbase-getfirmwaretype
    HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
    if (kernel32 == nullptr) {
        return FirmwareMode::Unknown;
    }
    const auto getFirmwareType = reinterpret_cast<GetFirmwareTypeFunction>(
        reinterpret_cast<void*>(::GetProcAddress(kernel32, "GetFirmwareType")));
    int type = 0;
    if (getFirmwareType == nullptr || !getFirmwareType(&type)) {
        return FirmwareMode::Unknown;
    }
    switch (type) {
        case kFirmwareTypeBios:
            return FirmwareMode::Bios;
        case kFirmwareTypeUefi:
            return FirmwareMode::Uefi;
        default:
            return FirmwareMode::Unknown;
    }
}

FirmwareMode FirmwareModeFromVariableError(std::uint32_t bytesRead, std::uint32_t lastError) {
    // GetFirmwareEnvironmentVariable: "If the function fails ... on a legacy BIOS-based system,
    // or on a system that supports both legacy BIOS and UEFI where Windows was installed using
    // legacy BIOS, the function will fail with ERROR_INVALID_FUNCTION. On a UEFI-based system,
    // the function will fail with an error specific to the firmware, such as ERROR_NOACCESS, to
    // indicate that the dummy GUID namespace does not exist."
    // https://learn.microsoft.com/windows/win32/api/winbase/nf-winbase-getfirmwareenvironmentvariablew
    if (bytesRead != 0) {
        return FirmwareMode::Uefi;  // the dummy namespace had a value: only UEFI has variables
    }
    return lastError == ERROR_INVALID_FUNCTION ? FirmwareMode::Bios : FirmwareMode::Uefi;
}

FirmwareMode FirmwareModeFromVariableQuery() {
    ::SetLastError(ERROR_SUCCESS);
    const DWORD read = ::GetFirmwareEnvironmentVariableW(L"", kDummyGuid, nullptr, 0);
    return FirmwareModeFromVariableError(read, ::GetLastError());
}

FirmwareMode Win32FirmwarePort::Mode() {
    const FirmwareMode mode = FirmwareModeFromGetFirmwareType();
    return mode != FirmwareMode::Unknown ? mode : FirmwareModeFromVariableQuery();
}

FirmwareArchitecture Win32FirmwarePort::Architecture() {
    // https://learn.microsoft.com/windows/win32/api/wow64apiset/nf-wow64apiset-iswow64process2
    if (HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll")) {
        const auto isWow64Process2 = reinterpret_cast<IsWow64Process2Function>(
            reinterpret_cast<void*>(::GetProcAddress(kernel32, "IsWow64Process2")));
        USHORT process = 0;
        USHORT native = 0;
        if (isWow64Process2 != nullptr &&
            isWow64Process2(::GetCurrentProcess(), &process, &native)) {
            const FirmwareArchitecture architecture = ArchitectureOfImageMachine(native);
            if (architecture != FirmwareArchitecture::Unknown) {
                return architecture;
            }
        }
    }
    SYSTEM_INFO info = {};
    ::GetNativeSystemInfo(&info);
    return ArchitectureOfProcessor(info.wProcessorArchitecture);
}

}  // namespace qn::win32

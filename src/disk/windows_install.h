#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace qn {

// Windows Vista's CurrentVersion: from it on Windows starts through the boot manager and a BCD
// store, before it through ntldr and boot.ini.
inline constexpr float kVistaVersion = 6.0f;

// One Windows installation found on a drive letter.
struct WindowsInstall {
    std::wstring displayName;   // ProductName + " x64" or " x86"
    std::int32_t selected = 0;  // 1: to be repaired; set by the selection, 0 as detected
    char driveLetter = 0;
    float version = 0.0f;        // CurrentVersion as a number (6.1, 6.3); 0 when missing
    std::int32_t archBits = 32;  // 64 when the partition has \Windows\sysWOW64
};

// Drive letter (ascending) -> the installation on it; the result of one detection.
using InstallationTable = std::map<char, WindowsInstall>;

}  // namespace qn

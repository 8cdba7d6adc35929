#pragma once

#include <windows.h>

#include "platform/registry_port.h"

namespace qn::win32 {

// Reading is all the program does here (asking for more fails on keys whose ACL allows reading
// only), always in the 64-bit view: a 32-bit build on 64-bit Windows would otherwise read
// HKLM\SOFTWARE\Wow6432Node, where the product name and version of a 64-bit Windows differ or
// are missing. Harmless on 32-bit Windows, where the flag is ignored.
// https://learn.microsoft.com/windows/win32/winprog64/accessing-an-alternate-registry-view
inline constexpr REGSAM kRegistryReadAccess = KEY_READ | KEY_WOW64_64KEY;

class Win32RegistryPort : public RegistryPort {
public:
    std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::wstring& subKey) override;
    // In win32_registry_hive.cpp: RegLoadKeyW / RegUnLoadKeyW with the two privileges enabled
    // on the process token for as long as the hive is loaded, then put back as they were.
    HiveLoad LoadHive(RegistryRoot root, const std::wstring& keyName,
                      const std::wstring& hivePath) override;
};

}  // namespace qn::win32

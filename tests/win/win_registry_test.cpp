#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "disk/installation_scan.h"
#include "disk/windows_version_text.h"
#include "platform/win32/win32_fs_redirection.h"
#include "platform/win32/win32_registry_port.h"

// Read-only: the running system's (the Wine prefix's) own keys.
namespace qn {
namespace {

TEST(Win32RegistryPort, ReadsTheRunningSystemsCurrentVersion) {
    win32::Win32RegistryPort registry;
    const auto key = registry.OpenKey(RegistryRoot::LocalMachine, kCurrentVersionKey);
    ASSERT_NE(key, nullptr);
    const std::wstring name = key->ReadString(L"ProductName");
    EXPECT_EQ(name.rfind(L"Microsoft Windows", 0), 0u) << std::string(name.begin(), name.end());
    EXPECT_EQ(name.find(L'\0'), std::wstring::npos);
    const std::wstring version = key->ReadString(L"CurrentVersion");
    EXPECT_GE(ParseWindowsVersion(version), 5.0f) << std::string(version.begin(), version.end());
    // Value names are not case-sensitive.
    EXPECT_EQ(key->ReadString(L"productname"), name);
}

TEST(Win32RegistryPort, MissingOrNonTextValuesReadEmpty) {
    win32::Win32RegistryPort registry;
    const auto key = registry.OpenKey(RegistryRoot::LocalMachine, kCurrentVersionKey);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->ReadString(L"NoSuchValueForQuenra"), L"");
    // Values that are there but hold no text: a DWORD and binary data.
    for (const wchar_t* name : {L"InstallDate", L"DigitalProductId"}) {
        DWORD type = REG_NONE;
        ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, kCurrentVersionKey, name, RRF_RT_ANY, &type,
                               nullptr, nullptr),
                  ERROR_SUCCESS);
        ASSERT_NE(type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(key->ReadString(name), L"");
    }
}

TEST(Win32RegistryPort, KeysThatDoNotExistDoNotOpen) {
    win32::Win32RegistryPort registry;
    EXPECT_EQ(registry.OpenKey(RegistryRoot::LocalMachine, L"Software\\NoSuchKeyForQuenra"),
              nullptr);
    // Nothing is loaded at HKU\Software unless a scan loaded a hive there.
    EXPECT_EQ(registry.OpenKey(RegistryRoot::Users, kCurrentVersionKey), nullptr);
}

TEST(Win32FsRedirection, ScopeRestoresWhatItTurnedOff) {
    win32::Win32FsRedirection redirection;
    wchar_t system[MAX_PATH] = {};
    ASSERT_NE(GetSystemDirectoryW(system, MAX_PATH), 0u);
    const std::wstring kernel32 = std::wstring(system) + L"\\kernel32.dll";
    {
        const ScopedFsRedirectionOff off(redirection);
        EXPECT_NE(GetFileAttributesW(kernel32.c_str()), INVALID_FILE_ATTRIBUTES);
    }
    EXPECT_NE(GetFileAttributesW(kernel32.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace qn

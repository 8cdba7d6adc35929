#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "disk/installation_scan.h"
#include "disk/windows_version_text.h"
#include "platform/win32/win32_fs_redirection.h"
#include "platform/win32/win32_registry_port.h"

// The private Wine prefix's own keys; written only under HKLM\Software\QuenraViewTest.
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

// Writes name=value under HKLM\Software\QuenraViewTest in one registry view of the prefix.
void PutInView(REGSAM view, const wchar_t* value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\QuenraViewTest", 0, nullptr, 0,
                              KEY_SET_VALUE | view, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD bytes = static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t));
    ASSERT_EQ(RegSetValueExW(key, L"Which", 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST(Win32RegistryPort, ReadsThe64BitViewWhateverTheBuild) {
    ASSERT_NE(win32::kRegistryReadAccess & KEY_WOW64_64KEY, 0u);
    ASSERT_EQ(win32::kRegistryReadAccess & KEY_WOW64_32KEY, 0u);
    PutInView(KEY_WOW64_64KEY, L"64");
    PutInView(KEY_WOW64_32KEY, L"32");
    // The two views really differ in this prefix, so reading the right one means something.
    HKEY view32 = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\QuenraViewTest", 0,
                            KEY_READ | KEY_WOW64_32KEY, &view32),
              ERROR_SUCCESS);
    wchar_t text[8] = {};
    DWORD bytes = sizeof text;
    ASSERT_EQ(
        RegQueryValueExW(view32, L"Which", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &bytes),
        ERROR_SUCCESS);
    RegCloseKey(view32);
    EXPECT_STREQ(text, L"32");
    win32::Win32RegistryPort registry;
    const auto key = registry.OpenKey(RegistryRoot::LocalMachine, L"Software\\QuenraViewTest");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->ReadString(L"Which"), L"64");
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

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/win32_registry_port.h"
#include "win_paths.h"

// Hives loaded with the registry API in the private Wine prefix. The hive file is made here, in
// the test's own temp folder, from a key written under HKCU\Software\QuenraHiveTest and saved
// with RegSaveKeyW; nothing of the machine's own is ever loaded.
namespace qn {
namespace {

constexpr wchar_t kSourceKey[] = L"Software\\QuenraHiveTest";
constexpr wchar_t kVersionBelow[] = L"\\Microsoft\\Windows NT\\CurrentVersion";

// Whether the process token has the privilege enabled now.
bool PrivilegeEnabled(const wchar_t* name) {
    LUID luid{};
    HANDLE token = nullptr;
    if (!LookupPrivilegeValueW(nullptr, name, &luid) ||
        !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return false;
    }
    DWORD bytes = 0;
    GetTokenInformation(token, TokenPrivileges, nullptr, 0, &bytes);
    std::vector<BYTE> buffer(bytes);
    const bool read =
        bytes > 0 && GetTokenInformation(token, TokenPrivileges, buffer.data(), bytes, &bytes);
    CloseHandle(token);
    if (!read) {
        return false;
    }
    const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
    for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
        const LUID_AND_ATTRIBUTES& entry = privileges->Privileges[i];
        if (entry.Luid.LowPart == luid.LowPart && entry.Luid.HighPart == luid.HighPart) {
            return (entry.Attributes & SE_PRIVILEGE_ENABLED) != 0;
        }
    }
    return false;
}

// Enables or disables one privilege on the process token.
bool SetPrivilege(const wchar_t* name, bool enable) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        return false;
    }
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    const bool ok = LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid) &&
                    AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) &&
                    GetLastError() == ERROR_SUCCESS;
    CloseHandle(token);
    return ok;
}

bool UsersKeyExists(const std::wstring& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_USERS, name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

class Win32Hive : public ::testing::Test {
protected:
    // A hive file holding Microsoft\Windows NT\CurrentVersion with ProductName, the way an
    // offline SOFTWARE hive holds it.
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kSourceKey);
        HKEY version = nullptr;
        ASSERT_EQ(
            RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(kSourceKey) + kVersionBelow).c_str(),
                            0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &version, nullptr),
            ERROR_SUCCESS);
        const wchar_t product[] = L"Quenra Hive Windows";
        ASSERT_EQ(RegSetValueExW(version, L"ProductName", 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(product), sizeof product),
                  ERROR_SUCCESS);
        RegCloseKey(version);

        hivePath = test::FreshTempFolder(L"hive") + L"\\SOFTWARE";
        HKEY source = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kSourceKey, 0, KEY_READ, &source),
                  ERROR_SUCCESS);
        // Saving needs SeBackupPrivilege; it is put back to disabled, so the adapter must enable
        // both privileges itself (Wine refuses RegLoadKeyW without SeRestorePrivilege too).
        ASSERT_TRUE(SetPrivilege(L"SeBackupPrivilege", true));
        const LSTATUS saved = RegSaveKeyW(source, hivePath.c_str(), nullptr);
        SetPrivilege(L"SeBackupPrivilege", false);
        RegCloseKey(source);
        ASSERT_EQ(saved, ERROR_SUCCESS);
        // What is read from now on comes from the file.
        ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, kSourceKey), ERROR_SUCCESS);
        ASSERT_FALSE(PrivilegeEnabled(L"SeRestorePrivilege"));
        ASSERT_FALSE(PrivilegeEnabled(L"SeBackupPrivilege"));
        ASSERT_FALSE(UsersKeyExists(kLoadedKey));
    }

    void TearDown() override {
        // Nothing stays loaded, and the privileges are as they were.
        EXPECT_FALSE(UsersKeyExists(kLoadedKey));
        EXPECT_FALSE(PrivilegeEnabled(L"SeRestorePrivilege"));
        EXPECT_FALSE(PrivilegeEnabled(L"SeBackupPrivilege"));
        DeleteFileW(hivePath.c_str());
        RemoveDirectoryW(hivePath.substr(0, hivePath.rfind(L'\\')).c_str());
    }

    static constexpr wchar_t kLoadedKey[] = L"QuenraHiveTestLoaded";
    std::wstring hivePath;
    win32::Win32RegistryPort registry;
};

TEST_F(Win32Hive, LoadsReadsThroughThePortAndUnloads) {
    HiveLoad load = registry.LoadHive(RegistryRoot::Users, kLoadedKey, hivePath);
    ASSERT_EQ(load.status, HiveLoadStatus::Loaded) << "error " << load.error;
    ASSERT_NE(load.hive, nullptr);
    EXPECT_TRUE(PrivilegeEnabled(L"SeRestorePrivilege"));
    EXPECT_TRUE(PrivilegeEnabled(L"SeBackupPrivilege"));
    {
        const auto key =
            registry.OpenKey(RegistryRoot::Users, std::wstring(kLoadedKey) + kVersionBelow);
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(key->ReadString(L"ProductName"), L"Quenra Hive Windows");
    }  // closed before the unload
    EXPECT_EQ(load.hive->Unload(), 0u);
    EXPECT_FALSE(UsersKeyExists(kLoadedKey));
    EXPECT_EQ(registry.OpenKey(RegistryRoot::Users, kLoadedKey), nullptr);
    // Unloaded once is unloaded: asking again is no error.
    EXPECT_EQ(load.hive->Unload(), 0u);
    load.hive.reset();
    EXPECT_FALSE(PrivilegeEnabled(L"SeRestorePrivilege"));
}

TEST_F(Win32Hive, DestroyingTheHandleUnloads) {
    {
        HiveLoad load = registry.LoadHive(RegistryRoot::Users, kLoadedKey, hivePath);
        ASSERT_EQ(load.status, HiveLoadStatus::Loaded) << "error " << load.error;
        // Moving the handle moves the duty to unload.
        HiveLoad moved = std::move(load);
        EXPECT_TRUE(UsersKeyExists(kLoadedKey));
    }
    EXPECT_FALSE(UsersKeyExists(kLoadedKey));
}

TEST_F(Win32Hive, RefusedLoadsLoadNothingAndGiveThePrivilegesBack) {
    const HiveLoad missing =
        registry.LoadHive(RegistryRoot::Users, kLoadedKey, hivePath + L".missing");
    EXPECT_EQ(missing.status, HiveLoadStatus::LoadRefused);
    EXPECT_EQ(missing.error, static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(missing.hive, nullptr);
    EXPECT_FALSE(PrivilegeEnabled(L"SeRestorePrivilege"));

    // A second load at a place taken is refused; the first stays until its handle goes.
    HiveLoad first = registry.LoadHive(RegistryRoot::Users, kLoadedKey, hivePath);
    ASSERT_EQ(first.status, HiveLoadStatus::Loaded) << "error " << first.error;
    const HiveLoad second = registry.LoadHive(RegistryRoot::Users, kLoadedKey, hivePath);
    EXPECT_EQ(second.status, HiveLoadStatus::LoadRefused);
    EXPECT_NE(second.error, 0u);
    EXPECT_TRUE(UsersKeyExists(kLoadedKey));
    EXPECT_TRUE(PrivilegeEnabled(L"SeRestorePrivilege")) << "the first load still holds them";
    first.hive.reset();
}

}  // namespace
}  // namespace qn

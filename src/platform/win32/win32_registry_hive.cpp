// Win32RegistryPort::LoadHive: an offline hive loaded with RegLoadKeyW instead of a reg.exe run.
#include <windows.h>

#include <array>
#include <cstddef>
#include <optional>
#include <utility>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_registry_port.h"

namespace qn::win32 {
namespace {

// RegLoadKeyW and RegUnLoadKeyW need both, enabled (an elevated process holds them disabled).
// https://learn.microsoft.com/windows/win32/api/winreg/nf-winreg-regloadkeyw
constexpr std::array<const wchar_t*, 2> kHivePrivileges = {L"SeRestorePrivilege",
                                                           L"SeBackupPrivilege"};

// TOKEN_PRIVILEGES with room for every privilege in kHivePrivileges.
struct HivePrivilegeSet {
    DWORD count = 0;
    std::array<LUID_AND_ATTRIBUTES, kHivePrivileges.size()> entries{};
    TOKEN_PRIVILEGES* Get() { return reinterpret_cast<TOKEN_PRIVILEGES*>(this); }
};
static_assert(offsetof(HivePrivilegeSet, entries) == offsetof(TOKEN_PRIVILEGES, Privileges));

// The two privileges enabled on the process token while this lives; what AdjustTokenPrivileges
// changed is put back when it ends (a privilege that was enabled already stays enabled).
// Move-only.
class EnabledHivePrivileges {
public:
    // Enables both, or neither: nullopt with error set (ERROR_NOT_ALL_ASSIGNED when the token
    // lacks one, as in a process that is not elevated).
    static std::optional<EnabledHivePrivileges> Enable(DWORD& error) {
        HANDLE raw = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) {
            error = GetLastError();
            return std::nullopt;
        }
        UniqueHandle token(raw);
        HivePrivilegeSet wanted;
        for (const wchar_t* name : kHivePrivileges) {
            LUID_AND_ATTRIBUTES& entry = wanted.entries[wanted.count++];
            entry.Attributes = SE_PRIVILEGE_ENABLED;
            if (!LookupPrivilegeValueW(nullptr, name, &entry.Luid)) {
                error = GetLastError();
                return std::nullopt;
            }
        }
        HivePrivilegeSet previous;
        DWORD previousBytes = 0;
        if (!AdjustTokenPrivileges(token.Get(), FALSE, wanted.Get(), sizeof previous,
                                   previous.Get(), &previousBytes)) {
            error = GetLastError();
            return std::nullopt;
        }
        // It succeeds also when the token holds only some of them, and says so here.
        if (GetLastError() == ERROR_NOT_ALL_ASSIGNED) {
            error = ERROR_NOT_ALL_ASSIGNED;
            AdjustTokenPrivileges(token.Get(), FALSE, previous.Get(), 0, nullptr, nullptr);
            return std::nullopt;
        }
        error = ERROR_SUCCESS;
        return EnabledHivePrivileges(std::move(token), previous);
    }

    EnabledHivePrivileges(EnabledHivePrivileges&&) noexcept = default;
    EnabledHivePrivileges& operator=(EnabledHivePrivileges&&) = delete;
    EnabledHivePrivileges(const EnabledHivePrivileges&) = delete;
    EnabledHivePrivileges& operator=(const EnabledHivePrivileges&) = delete;
    ~EnabledHivePrivileges() {
        if (token_ && previous_.count > 0) {
            AdjustTokenPrivileges(token_.Get(), FALSE, previous_.Get(), 0, nullptr, nullptr);
        }
    }

private:
    EnabledHivePrivileges(UniqueHandle token, const HivePrivilegeSet& previous)
        : token_(std::move(token)), previous_(previous) {}

    UniqueHandle token_;         // empty once moved from
    HivePrivilegeSet previous_;  // what was changed, as it was before
};

HKEY Predefined(RegistryRoot root) {
    return root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_USERS;
}

class Win32LoadedHive final : public LoadedHive {
public:
    Win32LoadedHive(HKEY root, std::wstring keyName, EnabledHivePrivileges privileges)
        : root_(root), keyName_(std::move(keyName)), privileges_(std::move(privileges)) {}
    Win32LoadedHive(const Win32LoadedHive&) = delete;
    Win32LoadedHive& operator=(const Win32LoadedHive&) = delete;
    // Unloads before the privileges go back: RegUnLoadKeyW needs them too.
    ~Win32LoadedHive() override { Unload(); }

    std::uint32_t Unload() override {
        if (!loaded_) {
            return ERROR_SUCCESS;
        }
        const LSTATUS status = RegUnLoadKeyW(root_, keyName_.c_str());
        loaded_ = status != ERROR_SUCCESS;
        return static_cast<std::uint32_t>(status);
    }

private:
    HKEY root_;
    std::wstring keyName_;
    EnabledHivePrivileges privileges_;
    bool loaded_ = true;
};

}  // namespace

HiveLoad Win32RegistryPort::LoadHive(RegistryRoot root, const std::wstring& keyName,
                                     const std::wstring& hivePath) {
    DWORD error = ERROR_SUCCESS;
    std::optional<EnabledHivePrivileges> privileges = EnabledHivePrivileges::Enable(error);
    if (!privileges) {
        return HiveLoad{HiveLoadStatus::PrivilegeRefused, error, nullptr};
    }
    const LSTATUS status = RegLoadKeyW(Predefined(root), keyName.c_str(), hivePath.c_str());
    if (status != ERROR_SUCCESS) {
        return HiveLoad{HiveLoadStatus::LoadRefused, static_cast<std::uint32_t>(status), nullptr};
    }
    return HiveLoad{
        HiveLoadStatus::Loaded, 0,
        std::make_unique<Win32LoadedHive>(Predefined(root), keyName, std::move(*privileges))};
}

}  // namespace qn::win32

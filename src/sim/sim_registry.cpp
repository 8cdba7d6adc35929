#include "sim/sim_registry.h"

#include <chrono>
#include <thread>

#include "sim/lower_case.h"
#include "sim/sim_machine.h"

namespace qn::sim {
namespace {

constexpr wchar_t kHiveTail[] = L"\\windows\\system32\\config\\software";
constexpr wchar_t kCurrentVersionBelowHive[] = L"\\Microsoft\\Windows NT\\CurrentVersion";

std::wstring Outcome(std::uint32_t error) {
    return L" -> " + std::to_wstring(error);
}

}  // namespace

SimRegistry::SimRegistry(SimMachine& machine) : machine_(machine) {}

std::uint32_t SimRegistry::LoadInstallationHive(const std::wstring& keyName,
                                                const std::wstring& hivePath) {
    const std::wstring lower = LowerCase(hivePath);
    const std::wstring tail = kHiveTail;
    const ScenarioInstall* install =
        hivePath.size() == 2 + tail.size() && hivePath[1] == L':' && lower.ends_with(tail)
            ? machine_.InstallAt(hivePath[0])
            : nullptr;
    if (install == nullptr) {
        return kFileNotFound;
    }
    // A second load at the same place; the running system's own hive, open already; a volume
    // whose files cannot be reached.
    if (HasKey(RegistryRoot::Users, keyName)) {
        return kAlreadyExists;
    }
    if (machine_.IsHeldOpen(hivePath)) {
        return kSharingViolation;
    }
    if (machine_.OnLockedVolume(hivePath)) {
        return kAccessDenied;
    }
    if (machine_.RegLoadDelayMs() > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(machine_.RegLoadDelayMs()));
    }
    AddKey(RegistryRoot::Users, keyName);
    if (install->productReadable) {
        const std::wstring key = keyName + kCurrentVersionBelowHive;
        AddKey(RegistryRoot::Users, key);
        SetString(RegistryRoot::Users, key, L"ProductName", install->productName);
        if (!install->currentVersion.empty()) {
            SetString(RegistryRoot::Users, key, L"CurrentVersion", install->currentVersion);
        }
    }
    return 0;
}

std::uint32_t SimRegistry::UnloadInstallationHive(const std::wstring& keyName) {
    if (!HasKey(RegistryRoot::Users, keyName)) {
        return kFileNotFound;
    }
    if (OpenKeysUnder(RegistryRoot::Users, keyName) != 0) {
        return kAccessDenied;
    }
    RemoveTree(RegistryRoot::Users, keyName);
    return 0;
}

std::uint32_t SimRegistry::PlaceHive(RegistryRoot root, const std::wstring& keyName,
                                     const std::wstring& hivePath) {
    // Hives are loaded under HKEY_USERS only on this machine.
    const std::uint32_t error =
        root == RegistryRoot::Users ? LoadInstallationHive(keyName, hivePath) : kAccessDenied;
    machine_.Record(L"api reg load hku\\" + keyName + L" " + hivePath + Outcome(error));
    return error;
}

std::uint32_t SimRegistry::RemoveHive(RegistryRoot root, const std::wstring& keyName) {
    const std::uint32_t error =
        root == RegistryRoot::Users ? UnloadInstallationHive(keyName) : kFileNotFound;
    machine_.Record(L"api reg unload hku\\" + keyName + Outcome(error));
    return error;
}

}  // namespace qn::sim

#pragma once

#include <cstdint>
#include <string>

#include "platform/fake/fake_registry.h"

namespace qn::sim {

class SimMachine;

// The simulated machine's registry: the running system's keys (the machine puts them in), and
// the SOFTWARE hive of every installation on its volumes, made from the scenario when loaded.
// A hive loads two ways by the same rules: through the registry API (LoadHive: no process, the
// journal says "api reg load hku\<key> <path> -> 0" and "api reg unload hku\<key> -> 0") and
// through reg.exe (the process launcher's "cmd.exe /c reg load|unload", journaled as that run).
// A test makes the API refuse with RefuseHiveLoads, so the program falls back to reg.exe.
class SimRegistry final : public fake::FakeRegistry {
public:
    // Windows' error codes of what the machine refuses besides the fake's own.
    static constexpr std::uint32_t kSharingViolation = 32;  // ERROR_SHARING_VIOLATION

    explicit SimRegistry(SimMachine& machine);

    // Loads the SOFTWARE hive at hivePath ("D:\Windows\System32\config\SOFTWARE") as
    // HKU\keyName: 0, or the Windows error code of the refusal, with nothing loaded. Refused:
    // a path without an installation's hive, a key that is there already (something is loaded
    // at that place), a hive the running Windows holds open (its own) and one on a locked
    // volume. Takes the scenario's reg load delay. Not journaled here: the caller's way is.
    std::uint32_t LoadInstallationHive(const std::wstring& keyName, const std::wstring& hivePath);
    // Unloads HKU\keyName: refused when nothing is loaded there or a key in it is open.
    std::uint32_t UnloadInstallationHive(const std::wstring& keyName);

protected:
    std::uint32_t PlaceHive(RegistryRoot root, const std::wstring& keyName,
                            const std::wstring& hivePath) override;
    std::uint32_t RemoveHive(RegistryRoot root, const std::wstring& keyName) override;

private:
    SimMachine& machine_;
};

}  // namespace qn::sim

#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace qn {

// The predefined keys the program reads below.
enum class RegistryRoot {
    LocalMachine,  // HKEY_LOCAL_MACHINE
    Users,         // HKEY_USERS, where offline hives are loaded
};

// An open registry key, opened for reading; closed when destroyed.
class RegistryKey {
public:
    virtual ~RegistryKey() = default;

    // A REG_SZ or REG_EXPAND_SZ value (not expanded) without its terminator; empty text when the
    // value is missing, of another type or cannot be read.
    virtual std::wstring ReadString(const std::wstring& valueName) = 0;
};

// A hive file loaded under a key by RegistryPort::LoadHive; unloaded when destroyed, or before
// by Unload. Every key opened under it must be destroyed first: an open key keeps a hive from
// unloading. The registry that loaded it must outlive it.
class LoadedHive {
public:
    virtual ~LoadedHive() = default;

    // Unloads the hive now: 0 when it is unloaded (or was already), else the Windows error code,
    // and it stays loaded (the destructor tries once more).
    virtual std::uint32_t Unload() = 0;
};

// How a hive load went.
enum class HiveLoadStatus {
    Loaded,            // the hive is loaded until its LoadedHive is destroyed
    PrivilegeRefused,  // the backup and restore privileges could not be enabled: nothing loaded
    LoadRefused,       // the load itself failed (the file, the key's name, the API): nothing loaded
};

struct HiveLoad {
    HiveLoadStatus status = HiveLoadStatus::LoadRefused;
    std::uint32_t error = 0;           // the Windows error code when refused
    std::unique_ptr<LoadedHive> hive;  // set exactly when Loaded; move-only, unloads when destroyed
};

// Read access to the registry, and the loading of hive files for reading.
//
// Hive loading belongs to this port, not to one of its own: the keys of a loaded hive are read
// through this port's OpenKey, so whatever registry a caller reads (the system's, a fake, the
// simulated machine's) is also the one that loads and unloads, with no second port to keep in
// step with it.
class RegistryPort {
public:
    virtual ~RegistryPort() = default;

    // Opens root\subKey (subKey without a leading backslash); null when it cannot be opened.
    virtual std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::wstring& subKey) = 0;

    // Loads the hive file at hivePath (an offline system's config\SOFTWARE, say) as root\keyName,
    // keyName being one key right below root, and starts no process. On Windows: RegLoadKeyW
    // after enabling SeRestorePrivilege and SeBackupPrivilege on the process token (an elevated
    // process holds both), which stay enabled while the hive is loaded. Refused, nothing is
    // loaded and the caller may try another way (reg.exe).
    virtual HiveLoad LoadHive(RegistryRoot root, const std::wstring& keyName,
                              const std::wstring& hivePath) = 0;
};

// The running system's registry. Which adapter stands behind it is decided by what the
// build links.
RegistryPort& SystemRegistry();

}  // namespace qn

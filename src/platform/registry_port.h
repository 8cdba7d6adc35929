#pragma once

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

// Read access to the registry.
class RegistryPort {
public:
    virtual ~RegistryPort() = default;

    // Opens root\subKey (subKey without a leading backslash); null when it cannot be opened.
    virtual std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::wstring& subKey) = 0;
};

// The running system's registry. Which adapter stands behind it is decided by what the
// build links.
RegistryPort& SystemRegistry();

}  // namespace qn

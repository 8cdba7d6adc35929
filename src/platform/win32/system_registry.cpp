#include "platform/registry_port.h"
#include "platform/win32/win32_registry_port.h"

namespace qn {

RegistryPort& SystemRegistry() {
    static win32::Win32RegistryPort registry;
    return registry;
}

}  // namespace qn

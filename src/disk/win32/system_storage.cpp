#include "disk/system_storage.h"

#include "disk/win32/win32_storage_port.h"

namespace qn {

StoragePort& SystemStorage() {
    static win32::Win32StoragePort storage;
    return storage;
}

}  // namespace qn

// Kept apart from disk_info.cpp so that code building a DiskInfo over its own ports (tests, the
// simulated machine) links without the system's ports.
#include "disk/disk_info.h"
#include "disk/system_storage.h"
#include "platform/system_ports.h"

namespace qn {

DiskInfo& DiskInfo::GetInstance(bool refresh) {
    // A function-local static: the language makes concurrent first calls wait for one
    // construction.
    static DiskInfo instance(SystemStorage(), TheSystemPorts().codePage);
    if (refresh) {
        instance.Refresh();
    }
    return instance;
}

}  // namespace qn

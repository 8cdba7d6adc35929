// Binds the mount pass to the process-wide ports, whichever the build linked.
#include <thread>

#include "disk/mount_pass.h"
#include "disk/system_storage.h"
#include "disk/system_volumes.h"
#include "platform/system_ports.h"

namespace qn {

MountPorts SystemMountPorts() {
    return MountPorts{
        SystemVolumes(),
        SystemStorage(),
        TheSystemPorts().processes,
        SystemDiagnostics(),
        [](bool refresh) -> DiskInfo& { return DiskInfo::GetInstance(refresh); },
        [](std::chrono::milliseconds pause) { std::this_thread::sleep_for(pause); },
        &SystemCleanupJournal(),
    };
}

}  // namespace qn

// Binds the repair workflows to the process-wide ports, whichever the build linked.
#include "boot/cleanup_journal.h"
#include "disk/system_storage.h"
#include "platform/firmware_port.h"
#include "platform/system_ports.h"
#include "run/system_repair_ports.h"

namespace qn {

RepairPorts SystemRepairPorts() {
    SystemPorts& ports = TheSystemPorts();
    return RepairPorts{ports.files,
                       ports.processes,
                       SystemProfileFile(),
                       ports.resources,
                       ports.clock,
                       ports.random,
                       ports.codePage,
                       SystemStorage(),
                       SystemFsRedirection(),
                       DiskInfo::GetInstance(false),
                       SystemFirmware(),
                       nullptr,
                       &SystemCleanupJournal()};
}

}  // namespace qn

// Binds the unattended modes to the process-wide ports, whichever the build linked.
#include "app/program_version.h"
#include "app/unattended_run.h"
#include "platform/diagnostics.h"
#include "platform/interrupt_request.h"
#include "platform/system_ports.h"
#include "run/system_repair_ports.h"

namespace qn {

UnattendedPorts SystemUnattendedPorts() {
    const MountPorts system = SystemMountPorts();
    // Standard output is the user's here: diagnostics go to the debugger only.
    MountPorts mount{
        system.volumes,   system.storage, system.processes, SystemDebuggerDiagnostics(),
        system.inventory, system.sleep,   system.leftovers};
    // Ctrl+C at the console stops a run between its steps.
    RepairPorts repair = SystemRepairPorts();
    repair.interrupt = &ProcessInterrupt();
    return UnattendedPorts{repair,
                           mount,
                           SystemInstallationScanPorts(SystemDebuggerDiagnostics()),
                           SystemOutputFiles(),
                           SystemConsole(),
                           kProgramVersion};
}

}  // namespace qn

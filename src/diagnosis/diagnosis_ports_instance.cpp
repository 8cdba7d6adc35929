// Binds the diagnosis to the process-wide ports, whichever the build linked.
#include "boot/carried_tool.h"
#include "boot/cleanup_journal.h"
#include "boot/work_dir.h"
#include "diagnosis/diagnose_boot.h"
#include "diagnosis/system_diagnosis.h"
#include "disk/system_storage.h"
#include "platform/firmware_port.h"
#include "platform/fs_redirection.h"
#include "platform/profile_file.h"
#include "platform/system_ports.h"

namespace qn {

BootDiagnosis DiagnoseSystemBoot() {
    SystemPorts& system = TheSystemPorts();
    const WorkDir work(system.files, system.random, &SystemCleanupJournal());
    const PreparedTool bcdedit =
        PrepareTool(system.files, system.resources, work, CarriedTool::Bcdedit);
    DiagnosisPorts ports{SystemStorage(),
                         system.files,
                         SystemProfileFile(),
                         system.random,
                         system.codePage,
                         SystemFsRedirection(),
                         SystemFirmware(),
                         DiskInfo::GetInstance(false),
                         BcdTool{system.processes, system.codePage, bcdedit.path}};
    return DiagnoseBoot(ports, nullptr);
}

}  // namespace qn

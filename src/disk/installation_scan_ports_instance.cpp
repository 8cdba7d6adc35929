// Binds the installation scan to the process-wide ports, whichever the build linked.
#include "disk/installation_scan.h"
#include "platform/system_ports.h"

namespace qn {

InstallationScanPorts SystemInstallationScanPorts(Diagnostics& diagnostics) {
    return InstallationScanPorts{TheSystemPorts().files, SystemRegistry(), SystemFsRedirection(),
                                 TheSystemPorts().processes, &diagnostics};
}

}  // namespace qn

// Binds the installation scan to the process-wide ports, whichever the build linked.
#include "disk/installation_scan.h"
#include "platform/system_ports.h"

namespace qn {

InstallationScanPorts SystemInstallationScanPorts() {
    return InstallationScanPorts{TheSystemPorts().files, SystemRegistry(), SystemFsRedirection(),
                                 TheSystemPorts().processes};
}

}  // namespace qn

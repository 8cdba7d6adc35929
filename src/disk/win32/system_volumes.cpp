#include "disk/system_volumes.h"

#include "disk/win32/win32_volume_port.h"

namespace qn {

VolumePort& SystemVolumes() {
    static win32::Win32VolumePort volumes;
    return volumes;
}

}  // namespace qn

#pragma once

#include "disk/volume_port.h"

namespace qn {

// The volumes of the machine the program runs on. One per process; which adapter stands behind
// it is decided by what the build links.
VolumePort& SystemVolumes();

}  // namespace qn

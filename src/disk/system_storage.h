#pragma once

#include "disk/storage_port.h"

namespace qn {

// The storage of the machine the program runs on. One per process; which adapter stands behind
// it is decided by what the build links.
StoragePort& SystemStorage();

}  // namespace qn

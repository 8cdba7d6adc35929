#pragma once

namespace qn {

// Which start-page workflow is active; later buttons and messages act by it.
enum WorkMode : int {
    ModeAutoRepair = 0,
    ModeManualRepair = 1,
    ModeRepairMbr = 2,
    ModeEditBoot = 3,
};

}  // namespace qn

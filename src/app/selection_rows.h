#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/boot_partition_choice.h"
#include "disk/boot_partition.h"
#include "disk/partition_information.h"
#include "disk/windows_install.h"

namespace qn {

// One row of the boot partition list: drive, partition table, label, state, and the partition
// it stands for.
struct BootPartitionRow {
    std::array<std::wstring, 4> columns;
    BootPartition partition;
    bool recommended = false;  // the automatic choice: preselected
};

// The candidates for the boot files, one per disk in ascending disk number. label looks a letter
// up; it is not asked for an ESP without a letter. A removable disk's label says so; the
// automatic choice (when given) says after its label why it is recommended.
std::vector<BootPartitionRow> BootPartitionRows(const BootPartitionMap& candidates,
                                                const std::function<std::wstring(char)>& label,
                                                const std::function<bool(int disk)>& removable = {},
                                                const BootPartitionChoice* choice = nullptr);

// Marks the installations on checkedLetters as selected and every other one as not; false when
// none is selected then.
bool SelectCheckedInstalls(InstallationTable& installations,
                           const std::vector<char>& checkedLetters);

}  // namespace qn

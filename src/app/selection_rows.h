#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/boot_partition_choice.h"
#include "disk/active_partition_letters.h"
#include "disk/partition_information.h"
#include "disk/windows_install.h"

namespace qn {

// One row of the boot partition list: drive, partition table, label, state, and the letter it
// stands for (kEspWithoutLetter for an EFI system partition without a letter).
struct BootPartitionRow {
    std::array<std::wstring, 4> columns;
    char letter = 0;
    bool recommended = false;  // the automatic choice: preselected
};

// The candidates for the boot files, one per disk in ascending disk number. label and style look
// a letter up; they are not asked for kEspWithoutLetter. A removable disk's label says so; the
// automatic choice (when given) says after its label why it is recommended.
std::vector<BootPartitionRow> BootPartitionRows(const ActivePartLetterMap& activePartLetters,
                                                const std::function<std::wstring(char)>& label,
                                                const std::function<PartitionStyle(char)>& style,
                                                const std::function<bool(int disk)>& removable = {},
                                                const BootPartitionChoice* choice = nullptr);

// Marks the installations on checkedLetters as selected and every other one as not; false when
// none is selected then.
bool SelectCheckedInstalls(InstallationTable& installations,
                           const std::vector<char>& checkedLetters);

}  // namespace qn

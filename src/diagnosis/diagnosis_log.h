#pragma once

#include <string>
#include <vector>

#include "diagnosis/boot_diagnosis.h"

namespace qn {

// A diagnosis as lines of the repair log (the caller heads them, "修复前" or "修复后"): the
// status, the firmware, each disk's boot code and boot partition, each volume's boot record and
// boot files, the UEFI boot order, the road followed, the menu with what each entry starts, and
// each installation's verdict, and the locked volumes nothing could be checked on. The same lines
// for the same diagnosis.
std::vector<std::wstring> DiagnosisLogLines(const BootDiagnosis& diagnosis);

}  // namespace qn

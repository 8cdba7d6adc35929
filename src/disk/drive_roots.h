#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qn {

// Splits the list that GetLogicalDriveStringsW fills ("C:\", NUL, "D:\", NUL, NUL) into roots.
// Each UTF-16 unit is narrowed by keeping its low byte; roots are drive letters, so nothing that
// matters is lost. The list ends at an empty entry or at the end of the text, whichever is first,
// so a list cut short without its terminators still yields the roots it holds.
std::vector<std::string> SplitDriveRoots(std::u16string_view list);

}  // namespace qn

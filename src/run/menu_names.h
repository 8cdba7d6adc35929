#pragma once

#include <map>
#include <string>

#include "disk/windows_install.h"

namespace qn {

// The boot menu text of every selected installation, by drive letter: its display name, or,
// when another selected installation has the same name (compared without regard to case, as
// people read it), that name followed by its drive letter: "Windows 7 Ultimate x64 (D:)".
// Always the letter, never the volume label: labels are often missing or alike ("Windows",
// "本地磁盘"), and the letter is how every row of the program names the system. Installations
// that are not selected are left out and never make a name change.
std::map<char, std::wstring> DistinctMenuNames(const InstallationTable& installations);

}  // namespace qn

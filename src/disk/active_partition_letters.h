#pragma once

#include <map>

namespace qn {

// disk number -> letter of the active (MBR) or EFI system (GPT) partition; '#' for a GPT disk
// whose EFI system partition has no letter on an installed system.
using ActivePartLetterMap = std::map<int, char>;

}  // namespace qn

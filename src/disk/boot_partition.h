#pragma once

#include <map>

namespace qn {

// The letter that stands for an EFI system partition without a drive letter.
inline constexpr char kEspWithoutLetter = '#';

// disk number -> letter of the active (MBR) or EFI system (GPT) partition; kEspWithoutLetter for
// a GPT disk whose EFI system partition has no letter on an installed system.
using ActivePartLetterMap = std::map<int, char>;

}  // namespace qn

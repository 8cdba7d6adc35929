#pragma once

#include <string>

#include "disk/windows_install.h"

namespace qn {

// The letter that stands for an EFI system partition without a drive letter.
inline constexpr char kEspWithoutLetter = '#';

// What one repair run works with, taken from the window (or the command line) before it starts.
struct RepairRequest {
    char bootLetter = 0;  // receives the boot files; kEspWithoutLetter for an unlettered ESP
    std::wstring timeoutText = L"3";
    bool clearExisting = false;
    bool isWinPE = false;
    InstallationTable installations;  // the systems to repair are selected
};

}  // namespace qn

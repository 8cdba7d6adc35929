#pragma once

#include <string>

namespace qn {

// The system folder whose programs (bcdedit.exe, bcdboot.exe, ...) the program may run, from the
// Windows folder. A 32-bit process on 64-bit Windows sees SysWOW64 under the name System32,
// where the boot tools do not exist; Sysnative is the real System32 for it.
// https://learn.microsoft.com/windows/win32/winprog64/file-system-redirector
inline std::wstring SystemToolFolder(std::wstring windowsFolder, bool wow64Process) {
    while (!windowsFolder.empty() && windowsFolder.back() == L'\\') {
        windowsFolder.pop_back();
    }
    if (windowsFolder.empty()) {
        return {};
    }
    return windowsFolder + (wow64Process ? L"\\Sysnative" : L"\\System32");
}

}  // namespace qn

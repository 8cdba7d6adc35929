#pragma once

#include <windows.h>

#include "platform/console_output.h"
#include "platform/win32/unique_handle.h"

namespace qn::win32 {

// The console of whoever started the program: its redirected standard output (a file or pipe,
// written in the console's code page), or the parent's console window, attached on first use.
// Without either, lines go nowhere.
class Win32ConsoleOutput final : public ConsoleOutput {
public:
    void Line(const std::wstring& text) override;

private:
    void Open();

    bool opened_ = false;
    bool isConsole_ = false;
    HANDLE out_ = nullptr;   // the standard handle, not ours to close
    UniqueHandle attached_;  // CONOUT$ of the parent's console, ours
};

}  // namespace qn::win32

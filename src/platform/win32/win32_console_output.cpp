#include "platform/win32/win32_console_output.h"

#include <string>

namespace qn::win32 {

void Win32ConsoleOutput::Open() {
    opened_ = true;
    // A GUI program started with its output redirected inherits the handle; started from a
    // console without redirection it has none and must attach to the parent's console.
    // https://learn.microsoft.com/windows/console/attachconsole
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (out != nullptr && out != INVALID_HANDLE_VALUE) {
        DWORD mode = 0;
        isConsole_ = ::GetConsoleMode(out, &mode) != 0;
        out_ = out;
        return;
    }
    if (::AttachConsole(ATTACH_PARENT_PROCESS)) {
        attached_.Reset(::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
        out_ = attached_ ? attached_.Get() : nullptr;
        isConsole_ = out_ != nullptr;
    }
}

void Win32ConsoleOutput::Line(const std::wstring& text) {
    if (!opened_) {
        Open();
    }
    if (out_ == nullptr) {
        return;
    }
    const std::wstring line = text + L"\r\n";
    DWORD written = 0;
    if (isConsole_) {
        ::WriteConsoleW(out_, line.c_str(), static_cast<DWORD>(line.size()), &written, nullptr);
        return;
    }
    UINT codePage = ::GetConsoleOutputCP();
    if (codePage == 0) {
        codePage = ::GetOEMCP();
    }
    const int size = static_cast<int>(line.size());
    const int needed =
        ::WideCharToMultiByte(codePage, 0, line.c_str(), size, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) {
        return;
    }
    std::string bytes(static_cast<std::size_t>(needed), '\0');
    ::WideCharToMultiByte(codePage, 0, line.c_str(), size, bytes.data(), needed, nullptr, nullptr);
    ::WriteFile(out_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace qn::win32

// The simulated program's test channel: with QN_SIM_UI_DUMP naming a file, the main window's
// control tree is written there each time the window has handled something. The file is
// replaced whole, so a reader never sees half of it.
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/ui_probe.h"
#include "sim/ui_tree_text.h"

namespace qn {
namespace {

std::wstring DumpPath() {
    static const std::wstring path = [] {
        wchar_t buffer[1024] = {};
        const DWORD length = ::GetEnvironmentVariableW(L"QN_SIM_UI_DUMP", buffer, 1024);
        return length > 0 && length < 1024 ? std::wstring(buffer, length) : std::wstring();
    }();
    return path;
}

}  // namespace

void ProbeUi(const Control& root, int page, int originX, int originY, bool minimized) {
    const std::wstring path = DumpPath();
    if (path.empty()) {
        return;
    }
    const std::wstring text = L"origin " + std::to_wstring(originX) + L" " +
                              std::to_wstring(originY) + L"\nminimized " +
                              (minimized ? L"1" : L"0") + L"\n" + sim::UiTreeText(root, page);
    const int needed = ::WideCharToMultiByte(
        CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(needed > 0 ? needed : 0), '\0');
    if (needed > 0) {
        ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(),
                              needed, nullptr, nullptr);
    }
    const std::wstring temporary = path + L".tmp";
    FILE* file = _wfopen(temporary.c_str(), L"wb");
    if (file == nullptr) {
        return;
    }
    std::fwrite(utf8.data(), 1, utf8.size(), file);
    std::fclose(file);
    ::MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

}  // namespace qn

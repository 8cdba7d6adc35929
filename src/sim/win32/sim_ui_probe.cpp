// The simulated program's test channel: with QN_SIM_UI_DUMP naming a file, the main window's
// control tree is written there each time the window has handled something. The file is
// replaced whole, so a reader never sees half of it.
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/ui_probe.h"
#include "boot/utf8_text.h"
#include "sim/ui_tree_text.h"

namespace qn {
namespace {

std::wstring Environment(const wchar_t* name) {
    wchar_t buffer[1024] = {};
    const DWORD length = ::GetEnvironmentVariableW(name, buffer, 1024);
    return length > 0 && length < 1024 ? std::wstring(buffer, length) : std::wstring();
}

std::wstring DumpPath() {
    static const std::wstring path = Environment(L"QN_SIM_UI_DUMP");
    return path;
}

}  // namespace

// With QN_SIM_MESSAGES naming a file, every message box appends "caption|text" (line breaks as
// "\n") to it.
void ProbeMessage(const std::wstring& caption, const std::wstring& text) {
    static const std::wstring path = Environment(L"QN_SIM_MESSAGES");
    if (path.empty()) {
        return;
    }
    std::wstring line = caption + L"|";
    for (wchar_t c : text) {
        line += c == L'\n' ? std::wstring(L"\\n") : std::wstring(1, c);
    }
    const std::string utf8 = WideToUtf8(line) + "\n";
    if (FILE* file = _wfopen(path.c_str(), L"ab")) {
        std::fwrite(utf8.data(), 1, utf8.size(), file);
        std::fclose(file);
    }
}

// With QN_SIM_FIRST_PAINT naming a file, the first paint of the main window writes there how
// many milliseconds after the process was created it ended, and the program quits: the start-up
// benchmark's measure, taken the same way as its bare window's.
void ProbeFirstPaint() {
    const std::wstring path = Environment(L"QN_SIM_FIRST_PAINT");
    if (path.empty()) {
        return;
    }
    FILETIME created{}, exited{}, kernel{}, user{}, now{};
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    ::GetSystemTimePreciseAsFileTime(&now);
    auto ticks = [](const FILETIME& time) {
        return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    const double ms = static_cast<double>(ticks(now) - ticks(created)) / 10000.0;
    if (FILE* file = _wfopen(path.c_str(), L"wb")) {
        std::fprintf(file, "%.3f\n", ms);
        std::fclose(file);
    }
    ::PostQuitMessage(0);
}

void ProbeUi(const Control& root, int page, int originX, int originY, bool minimized) {
    const std::wstring path = DumpPath();
    if (path.empty()) {
        return;
    }
    const std::wstring text = L"origin " + std::to_wstring(originX) + L" " +
                              std::to_wstring(originY) + L"\nminimized " +
                              (minimized ? L"1" : L"0") + L"\n" + sim::UiTreeText(root, page);
    const std::string utf8 = WideToUtf8(text);
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

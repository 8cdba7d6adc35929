#include "app/win32/program_entry.h"

#include <objbase.h>
#include <shellapi.h>

#include <cstdlib>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "app/command_line_options.h"
#include "app/start_summary.h"
#include "app/unattended_run.h"
#include "app/win32/confirm_frame.h"
#include "app/win32/console_interrupt.h"
#include "app/win32/main_frame.h"
#include "disk/leftover_cleanup.h"
#include "platform/console_output.h"
#include "platform/system_ports.h"
#include "ui/win32/native_window.h"

namespace qn {
namespace {

constexpr wchar_t kInstanceMutex[] = L"Global\\QNBootRepair";
// The main window's title in code page 936, as a running copy is looked up by.
constexpr char kTitleGbk[] = "QuenraNT\xD2\xFD\xB5\xBC\xD0\xDE\xB8\xB4\xB9\xA4\xBE\xDF";
constexpr DWORD kMainStyle = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN |
                             WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int kAppIcon = 107;

// Another copy runs: bring its window to the front, if it has one yet.
void ActivateRunningCopy() {
    HWND other = ::FindWindowA(nullptr, kTitleGbk);
    if (other == nullptr) {
        // The ANSI lookup finds the title only where the ANSI code page is 936; the wide one
        // finds it everywhere.
        other = ::FindWindowW(L"QNGUI", MainFrame::kTitle);
    }
    if (other != nullptr) {
        ::SendMessageW(other, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        ::SendMessageW(other, WM_SYSCOMMAND, SC_RESTORE, 0);
    }
}

void SetIcons(HWND window, HINSTANCE instance) {
    const int big = ::GetSystemMetrics(SM_CXICON);
    const int small = ::GetSystemMetrics(SM_CXSMICON);
    auto load = [&](int size) {
        return static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(kAppIcon), IMAGE_ICON,
                                               size, size, LR_DEFAULTCOLOR | LR_SHARED));
    };
    ::SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(load(big)));
    ::SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(load(small)));
}

// The program's arguments, without its own name.
std::vector<std::wstring> Arguments() {
    std::vector<std::wstring> arguments;
    int count = 0;
    LPWSTR* list = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (list == nullptr) {
        return arguments;
    }
    for (int i = 1; i < count; ++i) {
        arguments.emplace_back(list[i]);
    }
    ::LocalFree(list);
    return arguments;
}

// The work the command line asked for, without a window. A copy already running (window or
// not) may be changing the same boot files: refused.
int RunWithoutWindow(const CommandLineOptions& options, bool alreadyRunning) {
    ConsoleOutput& console = SystemConsole();
    if (alreadyRunning) {
        console.Line(L"程序已在运行，请先关闭它");
        return kExitRefused;
    }
    WatchConsoleInterrupt();
    int code = kExitStepFailed;
    // Whatever escapes must not read as success to the script that started us.
    try {
        UnattendedPorts ports = SystemUnattendedPorts();
        code = RunUnattended(options, ports);
    } catch (...) {
        console.Line(L"内部错误，修复未完成");
    }
    ConsoleRunDone();
    return code;
}

int Run(HINSTANCE instance) {
    CommandLineError error;
    const std::optional<CommandLineOptions> options = ParseCommandLine(Arguments(), error);
    if (!options) {
        return RefuseCommandLine(error.message, SystemConsole());
    }
    // Held, never released or closed, until the process ends: that keeps the name taken.
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, kInstanceMutex);
    if (mutex == nullptr) {
        return 0;
    }
    const bool alreadyRunning = ::GetLastError() == ERROR_ALREADY_EXISTS;
    if (options->mode != RunMode::Window) {
        return RunWithoutWindow(*options, alreadyRunning);
    }
    if (alreadyRunning) {
        ActivateRunningCopy();
        return 0;
    }
    // Only the one running copy may take a killed earlier run's letters and folders away, and
    // before its own mount pass sees those letters as the user's.
    ClearEarlierLeftovers(SystemMountPorts(), TheSystemPorts().files);
    auto* frame = new (std::nothrow) MainFrame();
    if (frame == nullptr) {
        return 0;
    }
    bool destroyed = false;
    frame->WatchDestruction(&destroyed);
    HWND window = frame->Create(nullptr, MainFrame::kTitle, kMainStyle, 0, 0, 0, 0, 0);
    if (window == nullptr) {
        // Creation that got as far as WM_NCDESTROY has deleted the object (and cleaned up).
        if (!destroyed) {
            delete frame;
        }
        return 0;
    }
    frame->WatchDestruction(nullptr);
    SetIcons(window, instance);
    frame->CenterWindow();
    frame->ShowWindow(true);
    if (StartupMustAbort(frame->Wizard().bootPartitions)) {
        ShowMessageBox(
            L"Quenra-错误信息",
            L"未检测到激活分区，请使用分区助手设置激活分区，如果是GPT磁盘则需要创建ESP分区",
            window);
        // Destroying the window deletes the object, whose destructor removes the temporary
        // letters and the work directory; then the process ends without exit-time clean-up.
        ::DestroyWindow(window);
        std::_Exit(1);
    }
    return win32::NativeWindow::MessageLoop();
}

}  // namespace

int RunProgram(HINSTANCE instance) {
    try {
        return Run(instance);
    } catch (...) {
        return 0;
    }
}

}  // namespace qn

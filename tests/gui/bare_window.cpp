// The start-up benchmark's yardstick: a bare Win32 window of the main window's size that paints
// a background and a line of text, then notes, as the simulated program does, how many
// milliseconds after the process was created its first paint ended (QN_SIM_FIRST_PAINT), and
// quits.
#include <windows.h>

#include <cstdio>

namespace {

constexpr int kWidth = 600;  // the main window's client area
constexpr int kHeight = 398;

double MillisecondsSinceCreation() {
    FILETIME created{}, exited{}, kernel{}, user{}, now{};
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    ::GetSystemTimePreciseAsFileTime(&now);
    auto ticks = [](const FILETIME& time) {
        return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return static_cast<double>(ticks(now) - ticks(created)) / 10000.0;
}

void NoteFirstPaint() {
    wchar_t path[1024] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"QN_SIM_FIRST_PAINT", path, 1024);
    if (length == 0 || length >= 1024) {
        return;
    }
    if (FILE* file = _wfopen(path, L"wb")) {
        std::fprintf(file, "%.3f\n", MillisecondsSinceCreation());
        std::fclose(file);
    }
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    static bool painted = false;
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = ::BeginPaint(hwnd, &paint);
            RECT client;
            ::GetClientRect(hwnd, &client);
            HBRUSH brush = ::CreateSolidBrush(RGB(0xF0, 0xF4, 0xF8));
            ::FillRect(dc, &client, brush);
            ::DeleteObject(brush);
            ::SetBkMode(dc, TRANSPARENT);
            ::DrawTextW(dc, L"QuenraNT", -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            ::EndPaint(hwnd, &paint);
            if (!painted) {
                painted = true;
                NoteFirstPaint();
                ::PostQuitMessage(0);
            }
            return 0;
        }
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.lpszClassName = L"QNBareWindow";
    if (::RegisterClassW(&windowClass) == 0) {
        return 1;
    }
    const int x = (::GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
    const int y = (::GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
    HWND hwnd = ::CreateWindowExW(0, windowClass.lpszClassName, L"QuenraNT", WS_POPUP, x, y, kWidth,
                                  kHeight, nullptr, nullptr, instance, nullptr);
    if (hwnd == nullptr) {
        return 1;
    }
    ::ShowWindow(hwnd, SW_SHOW);
    ::UpdateWindow(hwnd);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}

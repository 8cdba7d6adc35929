#include "ui/win32/native_window.h"

namespace qn::win32 {

bool NativeWindow::RegisterWindowClass() {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (::GetClassInfoExW(instance, GetWindowClassName(), &existing)) {
        return true;
    }
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = GetClassStyle();
    wc.lpfnWndProc = &NativeWindow::WindowProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = GetWindowClassName();
    if (const wchar_t* super = GetSuperClassName()) {
        WNDCLASSEXW base{};
        base.cbSize = sizeof(base);
        if (!::GetClassInfoExW(nullptr, super, &base) &&
            !::GetClassInfoExW(instance, super, &base)) {
            return false;
        }
        superProc_ = base.lpfnWndProc;
    }
    return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND NativeWindow::Create(HWND owner, const wchar_t* title, DWORD style, DWORD exStyle, int x,
                          int y, int cx, int cy) {
    if (!RegisterWindowClass()) {
        return nullptr;
    }
    hwnd_ = ::CreateWindowExW(exStyle, GetWindowClassName(), title, style, x, y, cx, cy, owner,
                              nullptr, ::GetModuleHandleW(nullptr), this);
    return hwnd_;
}

void NativeWindow::CenterWindow() {
    RECT window{};
    ::GetWindowRect(hwnd_, &window);
    HWND owner = ::GetWindow(hwnd_, GW_OWNER);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(
        ::MonitorFromWindow(owner != nullptr ? owner : hwnd_, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT area = monitor.rcWork;
    RECT center = area;
    if (owner != nullptr && ::IsWindowVisible(owner) && !::IsIconic(owner)) {
        ::GetWindowRect(owner, &center);
    }
    const int w = window.right - window.left;
    const int h = window.bottom - window.top;
    int x = (center.left + center.right - w) / 2;
    int y = (center.top + center.bottom - h) / 2;
    x = x + w > area.right ? area.right - w : x;
    y = y + h > area.bottom ? area.bottom - h : y;
    x = x < area.left ? area.left : x;
    y = y < area.top ? area.top : y;
    ::SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void NativeWindow::ShowWindow(bool show, bool takeFocus) {
    ::ShowWindow(hwnd_, show ? (takeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

UINT NativeWindow::ShowModal() {
    HWND hwnd = hwnd_;
    UINT result = IDCANCEL;
    HWND owner = ::GetWindow(hwnd, GW_OWNER);
    modalResult_ = &result;
    modalOwner_ = owner;
    ::ShowWindow(hwnd, SW_SHOWNORMAL);
    if (owner != nullptr) {
        ::EnableWindow(owner, FALSE);
    }
    MSG msg{};
    bool quit = false;
    while (::IsWindow(hwnd)) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            quit = got == 0;
            break;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    // The window may have deleted its object by now: only locals from here on.
    if (owner != nullptr) {
        ::EnableWindow(owner, TRUE);
        ::SetForegroundWindow(owner);
        ::SetFocus(owner);
    }
    if (quit) {
        // The loop that waits outside us must see the quit request too.
        ::PostQuitMessage(static_cast<int>(msg.wParam));
        if (::IsWindow(hwnd)) {
            ::DestroyWindow(hwnd);
        }
    }
    return result;
}

void NativeWindow::Close(UINT code) {
    if (::IsWindow(hwnd_)) {
        ::PostMessageW(hwnd_, WM_CLOSE, static_cast<WPARAM>(code), 0);
    }
}

int NativeWindow::MessageLoop() {
    MSG msg{};
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

LRESULT NativeWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        if (modalResult_ != nullptr) {
            *modalResult_ = static_cast<UINT>(wParam);
            modalResult_ = nullptr;
            // Enabled before the dialog goes, so the owner (not some other program) is
            // activated next.
            if (modalOwner_ != nullptr) {
                ::EnableWindow(modalOwner_, TRUE);
            }
        }
        ::DestroyWindow(hwnd_);
        return 0;
    }
    if (superProc_ != nullptr) {
        return ::CallWindowProcW(superProc_, hwnd_, message, wParam, lParam);
    }
    return ::DefWindowProcW(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK NativeWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    NativeWindow* self = nullptr;
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        self = static_cast<NativeWindow*>(create->lpCreateParams);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<NativeWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (self == nullptr) {
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        const LRESULT result = self->HandleMessage(message, wParam, lParam);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        if (self->destroyed_ != nullptr) {
            *self->destroyed_ = true;
        }
        self->OnFinalMessage(hwnd);
        return result;
    }
    return self->HandleMessage(message, wParam, lParam);
}

}  // namespace qn::win32

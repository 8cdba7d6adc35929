#pragma once

#include <windows.h>

namespace qn::win32 {

// A native window wrapper: registers the class, routes the window procedure to HandleMessage,
// and offers centring, showing, a modal loop and closing with a code. The object may delete
// itself in OnFinalMessage; nothing here touches it after the window is gone.
class NativeWindow {
public:
    NativeWindow() = default;
    virtual ~NativeWindow() = default;
    NativeWindow(const NativeWindow&) = delete;
    NativeWindow& operator=(const NativeWindow&) = delete;

    HWND GetHWND() const { return hwnd_; }
    operator HWND() const { return hwnd_; }

    // Null when the class cannot be registered or the window cannot be created.
    HWND Create(HWND owner, const wchar_t* title, DWORD style, DWORD exStyle, int x, int y, int cx,
                int cy);
    // Centres over the owner window, or in the work area of the monitor when there is none,
    // keeping the window inside that work area.
    void CenterWindow();
    void ShowWindow(bool show = true, bool takeFocus = true);
    // Shows the window and runs a message loop until it is closed, with the owner disabled
    // meanwhile; returns the code given to Close. Messages for other windows keep flowing.
    UINT ShowModal();
    // Closes the window (posted, so it is safe inside a click handler) with this code.
    void Close(UINT code = IDOK);
    // The program's message loop: runs until WM_QUIT and returns its exit code.
    static int MessageLoop();
    // *flag becomes true when the window is destroyed (and the object may be gone): lets a
    // caller whose Create failed know whether the object still needs deleting.
    void WatchDestruction(bool* flag) { destroyed_ = flag; }

protected:
    virtual const wchar_t* GetWindowClassName() const = 0;
    virtual const wchar_t* GetSuperClassName() const { return nullptr; }
    virtual UINT GetClassStyle() const { return 0; }
    // Everything not handled ends here: the close code bookkeeping, then default processing.
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The window is destroyed; the object may delete itself.
    virtual void OnFinalMessage(HWND) {}

    HWND hwnd_ = nullptr;

private:
    bool RegisterWindowClass();
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    WNDPROC superProc_ = nullptr;
    // While a modal loop runs: where it wants the close code, and the owner to enable again.
    UINT* modalResult_ = nullptr;
    HWND modalOwner_ = nullptr;
    bool* destroyed_ = nullptr;
};

}  // namespace qn::win32

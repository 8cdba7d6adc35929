#include "ui/win32/paint_manager.h"

#include <windowsx.h>

#include "ui/edit_box.h"

namespace qn::win32 {

PaintManager::PaintManager() : fonts_(*this), drop_(*this) {
    SetHost(this);
}

PaintManager::~PaintManager() {
    drop_.Close();
    // The tree goes while the host can still be told; then the native helpers.
    AttachRoot(nullptr);
    SetHost(nullptr);
}

void PaintManager::Init(HWND hwnd) {
    hwnd_ = hwnd;
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    SetScalePercent(dpi > 0 ? ::MulDiv(dpi, 100, 96) : 100);
    fonts_.Clear();
}

void PaintManager::AttachDialog(std::unique_ptr<Control> root) {
    AttachRoot(std::move(root));
    const UiSize size = GetWindowSpec().size;
    if (hwnd_ != nullptr && size.cx > 0 && size.cy > 0) {
        RECT rect{0, 0, Scale(size.cx), Scale(size.cy)};
        const DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_STYLE));
        const DWORD exStyle = static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE));
        ::AdjustWindowRectEx(&rect, style & ~WS_CAPTION, FALSE, exStyle);
        ::SetWindowPos(hwnd_, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT client{};
    if (hwnd_ != nullptr && ::GetClientRect(hwnd_, &client)) {
        SetClientSize({client.right, client.bottom});
    }
}

unsigned PaintManager::Modifiers() {
    unsigned mods = 0;
    if (::GetKeyState(VK_SHIFT) < 0) {
        mods |= kModShift;
    }
    if (::GetKeyState(VK_CONTROL) < 0) {
        mods |= kModControl;
    }
    if (::GetKeyState(VK_MENU) < 0) {
        mods |= kModAlt;
    }
    return mods;
}

bool PaintManager::MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (FilterMessage(message, wParam, lParam, result)) {
        return true;
    }
    result = 0;
    if (const auto mouse = MouseMessage(message, wParam, lParam)) {
        return *mouse;
    }
    if (const auto keyboard = KeyboardOrFocusMessage(message, wParam)) {
        return *keyboard;
    }
    switch (message) {
        case WM_PAINT:
            PaintWindow();
            return true;
        case WM_ERASEBKGND:
            result = 1;
            return true;
        case WM_SIZE:
            drop_.Close();
            if (wParam != SIZE_MINIMIZED) {
                SetClientSize({LOWORD(lParam), HIWORD(lParam)});
            }
            return false;
        case WM_COMMAND:
            if (HIWORD(wParam) == EN_CHANGE && activeEdit_ != nullptr &&
                reinterpret_cast<HWND>(lParam) == activeEdit_->Handle()) {
                activeEdit_->OnChanged();
                return true;
            }
            return false;
        case WM_CTLCOLOREDIT:
            if (activeEdit_ != nullptr && reinterpret_cast<HWND>(lParam) == activeEdit_->Handle()) {
                result =
                    reinterpret_cast<LRESULT>(activeEdit_->Colors(reinterpret_cast<HDC>(wParam)));
                return true;
            }
            return false;
        default:
            return false;
    }
}

bool PaintManager::FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    for (IMessageFilterUI* filter : std::vector<IMessageFilterUI*>(MessageFilters())) {
        bool handled = false;
        const std::intptr_t value = filter->MessageHandler(message, wParam, lParam, handled);
        if (handled) {
            result = value;
            return true;
        }
    }
    return false;
}

std::optional<bool> PaintManager::MouseMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const UiPoint pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
        case WM_MOUSEMOVE:
            if (!trackingLeave_) {
                TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd_, 0};
                trackingLeave_ = ::TrackMouseEvent(&track) != FALSE;
            }
            OnMouseMove(pt);
            return true;
        case WM_MOUSELEAVE:
            trackingLeave_ = false;
            OnMouseLeave();
            return true;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            ::SetFocus(hwnd_);
            ::SetCapture(hwnd_);
            if (message == WM_LBUTTONDOWN) {
                OnButtonDown(pt, Modifiers());
            } else {
                OnDoubleClick(pt);
            }
            ::InvalidateRect(hwnd_, nullptr, FALSE);
            return true;
        case WM_LBUTTONUP:
            if (::GetCapture() == hwnd_) {
                ::ReleaseCapture();
            }
            OnButtonUp(pt, Modifiers());
            return true;
        case WM_MOUSEWHEEL: {
            POINT screen{pt.x, pt.y};
            ::ScreenToClient(hwnd_, &screen);
            OnWheel({screen.x, screen.y}, GET_WHEEL_DELTA_WPARAM(wParam));
            return true;
        }
        default:
            return std::nullopt;
    }
}

std::optional<bool> PaintManager::KeyboardOrFocusMessage(UINT message, WPARAM wParam) {
    switch (message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            swallowSysChar_ = false;
            if (drop_.OnKey(wParam)) {
                return true;
            }
            if (OnKeyDown(static_cast<int>(wParam), Modifiers())) {
                swallowSysChar_ = message == WM_SYSKEYDOWN;
                return true;
            }
            return false;
        case WM_SYSCHAR:
            // The shortcut was used: no menu beep for it.
            return swallowSysChar_;
        case WM_SETFOCUS:
            if (activeEdit_ != nullptr && activeEdit_->Box() != nullptr) {
                ::SetFocus(activeEdit_->Handle());
            }
            ::InvalidateRect(hwnd_, nullptr, FALSE);
            return false;
        case WM_KILLFOCUS:
        case WM_ACTIVATE:
            if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE) {
                return false;
            }
            drop_.Close();
            ::InvalidateRect(hwnd_, nullptr, FALSE);
            return false;
        default:
            return std::nullopt;
    }
}

void PaintManager::PaintWindow() {
    PAINTSTRUCT ps{};
    HDC dc = ::BeginPaint(hwnd_, &ps);
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    const int w = client.right;
    const int h = client.bottom;
    if (w > 0 && h > 0) {
        // Everything is drawn into a bitmap first and copied in one go.
        HDC buffer = ::CreateCompatibleDC(dc);
        HBITMAP bitmap = ::CreateCompatibleBitmap(dc, w, h);
        HGDIOBJ old = ::SelectObject(buffer, bitmap);
        const UiRect dirty{ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom};
        {
            GdiCanvas canvas(buffer, fonts_, bitmaps_);
            canvas.FillRect({0, 0, w, h}, 0xFFFFFFFF);
            Paint(canvas, {0, 0, w, h});
        }
        ::BitBlt(dc, dirty.left, dirty.top, dirty.Width(), dirty.Height(), buffer, dirty.left,
                 dirty.top, SRCCOPY);
        ::SelectObject(buffer, old);
        ::DeleteObject(bitmap);
        ::DeleteDC(buffer);
    }
    ::EndPaint(hwnd_, &ps);
}

void PaintManager::Invalidate(const UiRect& rect) {
    if (hwnd_ != nullptr) {
        const RECT r{rect.left, rect.top, rect.right, rect.bottom};
        ::InvalidateRect(hwnd_, &r, FALSE);
    }
}

NativeEdit& PaintManager::EditFor(unsigned alignment) {
    const std::size_t slot = alignment == kTextCenter ? 1 : alignment == kTextRight ? 2 : 0;
    if (!edits_[slot]) {
        edits_[slot] = std::make_unique<NativeEdit>(*this, alignment);
    }
    return *edits_[slot];
}

void PaintManager::FocusChanged(Control* now) {
    drop_.Close();
    auto* box = dynamic_cast<EditBox*>(now);
    NativeEdit* next = box != nullptr ? &EditFor(box->TextStyle() & kTextHorizontalMask) : nullptr;
    if (activeEdit_ != nullptr && (activeEdit_ != next || activeEdit_->Box() != box)) {
        activeEdit_->Detach(true);
    }
    activeEdit_ = next;
    if (next != nullptr) {
        next->Attach(*box);
    } else if (hwnd_ != nullptr && ::GetFocus() != hwnd_ && ::IsWindowVisible(hwnd_)) {
        ::SetFocus(hwnd_);
    }
}

void PaintManager::LayoutChanged() {
    if (activeEdit_ != nullptr) {
        activeEdit_->Reposition();
    }
}

void PaintManager::OpenDropList(ComboBox& combo) {
    if (drop_.IsOpenFor(&combo)) {
        drop_.Close();
        return;
    }
    drop_.Open(combo);
}

void PaintManager::ControlRemoved(Control* control) {
    if (activeEdit_ != nullptr && activeEdit_->Box() == control) {
        // Half destroyed, perhaps: the box is not called any more.
        activeEdit_->Detach(false);
        activeEdit_ = nullptr;
    }
    if (drop_.IsOpenFor(control)) {
        drop_.Close();
    }
}

}  // namespace qn::win32

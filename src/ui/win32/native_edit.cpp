#include "ui/win32/native_edit.h"

#include <algorithm>

#include "ui/win32/paint_manager.h"

namespace qn::win32 {

NativeEdit::~NativeEdit() {
    if (hwnd_ != nullptr && ::IsWindow(hwnd_)) {
        ::DestroyWindow(hwnd_);
    }
    if (brush_ != nullptr) {
        ::DeleteObject(brush_);
    }
}

void NativeEdit::Attach(EditBox& box) {
    HWND parent = owner_.GetPaintWindow();
    if (hwnd_ == nullptr) {
        const DWORD align = alignment_ == kTextCenter  ? ES_CENTER
                            : alignment_ == kTextRight ? ES_RIGHT
                                                       : ES_LEFT;
        hwnd_ = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | ES_AUTOHSCROLL | align, 0, 0, 0, 0,
                                  parent, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        if (hwnd_ == nullptr) {
            return;
        }
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        editProc_ = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
            hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&NativeEdit::SubclassProc)));
    }
    box_ = &box;
    ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(owner_.Fonts().Get(box.Font())), 0);
    ::SendMessageW(hwnd_, EM_SETLIMITTEXT, static_cast<WPARAM>(box.MaxChars()), 0);
    SetText(box.Text());
    SetSelection(box.SelStart(), box.SelEnd());
    box.AttachNativeInput(this);
    Reposition();
    ::ShowWindow(hwnd_, SW_SHOW);
    ::SetFocus(hwnd_);
}

void NativeEdit::Detach(bool boxAlive) {
    if (box_ != nullptr && boxAlive) {
        box_->AttachNativeInput(nullptr);
    }
    box_ = nullptr;
    if (hwnd_ != nullptr) {
        const bool hadFocus = ::GetFocus() == hwnd_;
        ::ShowWindow(hwnd_, SW_HIDE);
        if (hadFocus) {
            ::SetFocus(owner_.GetPaintWindow());
        }
    }
}

void NativeEdit::Reposition() {
    if (hwnd_ == nullptr || box_ == nullptr) {
        return;
    }
    const UiRect pos = box_->Pos();
    const UiRect& pad = box_->TextPadding();
    const int border = owner_.Scale(1);
    UiRect area{pos.left + std::max(border, owner_.Scale(pad.left)), pos.top + border,
                pos.right - std::max(border, owner_.Scale(pad.right)), pos.bottom - border};
    // A single-line EDIT draws at its top: give it one line's height, centred in the box.
    const int line = owner_.Fonts().LineHeight(box_->Font()) + 2;
    if (area.Height() > line) {
        area.top += (area.Height() - line) / 2;
        area.bottom = area.top + line;
    }
    ::SetWindowPos(hwnd_, HWND_TOP, area.left, area.top, std::max(0, area.Width()),
                   std::max(0, area.Height()), SWP_NOACTIVATE);
}

void NativeEdit::OnChanged() {
    if (quiet_ || box_ == nullptr) {
        return;
    }
    const int length = ::GetWindowTextLengthW(hwnd_);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    ::GetWindowTextW(hwnd_, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    DWORD start = 0;
    DWORD end = 0;
    ::SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                   reinterpret_cast<LPARAM>(&end));
    // The notification may change the text again (a filter), which comes back here quietly.
    box_->OnUserTextChanged(std::move(text), static_cast<int>(start), static_cast<int>(end));
}

HBRUSH NativeEdit::Colors(HDC dc) {
    const Argb back = box_ != nullptr ? box_->NativeBkColor() : 0xFFFFFFFF;
    const Argb text = box_ != nullptr ? box_->TextColor() : 0xFF000000;
    if (brush_ == nullptr || brushColor_ != back) {
        if (brush_ != nullptr) {
            ::DeleteObject(brush_);
        }
        brush_ = ::CreateSolidBrush(RGB((back >> 16) & 0xFF, (back >> 8) & 0xFF, back & 0xFF));
        brushColor_ = back;
    }
    ::SetTextColor(dc, RGB((text >> 16) & 0xFF, (text >> 8) & 0xFF, text & 0xFF));
    ::SetBkColor(dc, RGB((back >> 16) & 0xFF, (back >> 8) & 0xFF, back & 0xFF));
    return brush_;
}

void NativeEdit::SetText(const std::wstring& text) {
    if (hwnd_ == nullptr) {
        return;
    }
    quiet_ = true;
    ::SetWindowTextW(hwnd_, text.c_str());
    quiet_ = false;
}

void NativeEdit::SetSelection(int start, int end) {
    if (hwnd_ != nullptr) {
        ::SendMessageW(hwnd_, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
    }
}

LRESULT CALLBACK NativeEdit::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<NativeEdit*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr) {
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
    // Tab, Return and Escape belong to the window (focus order, default keys), not to the text.
    if (message == WM_KEYDOWN && (wParam == VK_TAB || wParam == VK_RETURN || wParam == VK_ESCAPE)) {
        ::SendMessageW(::GetParent(hwnd), WM_KEYDOWN, wParam, lParam);
        return 0;
    }
    if (message == WM_CHAR && (wParam == L'\t' || wParam == L'\r' || wParam == 27)) {
        return 0;
    }
    if (message == WM_SYSKEYDOWN || message == WM_SYSCHAR) {
        // Alt shortcuts of the window's buttons work from inside the text too.
        ::SendMessageW(::GetParent(hwnd), message, wParam, lParam);
        return 0;
    }
    return ::CallWindowProcW(self->editProc_, hwnd, message, wParam, lParam);
}

}  // namespace qn::win32

#include "ui/win32/combo_drop_window.h"

#include <windowsx.h>

#include <algorithm>

#include "ui/list_element.h"
#include "ui/win32/gdi_canvas.h"
#include "ui/win32/paint_manager.h"

namespace qn::win32 {

namespace {

constexpr int kScrollBarWidth = 8;

std::uint32_t MessageTime() {
    return static_cast<std::uint32_t>(static_cast<DWORD>(::GetMessageTime()));
}

}  // namespace

ComboDropWindow::ComboDropWindow(PaintManager& owner) : owner_(owner) {
    owner_.SetKeyClock(&MessageTime);
}

ComboDropWindow::~ComboDropWindow() {
    Close();
}

int ComboDropWindow::ItemHeight() const {
    return owner_.Scale(combo_ != nullptr ? combo_->ItemStyle().height : 24);
}

void ComboDropWindow::Open(ComboBox& combo) {
    Close();
    if (combo.Count() == 0) {
        return;
    }
    combo_ = &combo;
    typeAhead_.Reset();
    hot_ = combo.SelectedIndex();
    scroll_ = 0;
    const UiRect pos = combo.Pos();
    POINT origin{pos.left, pos.bottom};
    ::ClientToScreen(owner_.GetPaintWindow(), &origin);
    height_ = std::min(owner_.Scale(combo.DropHeight()), ItemHeight() * combo.Count()) + 2;
    if (!Create(owner_.GetPaintWindow(), L"", WS_POPUP | WS_BORDER,
                WS_EX_TOOLWINDOW | WS_EX_TOPMOST, origin.x, origin.y, pos.Width(), height_)) {
        combo_ = nullptr;
        return;
    }
    EnsureVisible(hot_);
    ::ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
    // Clicks outside the list close it: the list takes the mouse while it is open.
    ::SetCapture(hwnd_);
}

void ComboDropWindow::Close() {
    combo_ = nullptr;
    if (hwnd_ != nullptr) {
        HWND hwnd = hwnd_;
        if (::GetCapture() == hwnd) {
            ::ReleaseCapture();
        }
        ::DestroyWindow(hwnd);
        hwnd_ = nullptr;
    }
}

int ComboDropWindow::ItemAt(int y) const {
    if (combo_ == nullptr) {
        return -1;
    }
    const int index = (y - 1 + scroll_) / ItemHeight();
    return index >= 0 && index < combo_->Count() ? index : -1;
}

void ComboDropWindow::EnsureVisible(int index) {
    if (combo_ == nullptr || index < 0) {
        return;
    }
    const int visible = height_ - 2;
    const int top = index * ItemHeight();
    if (top < scroll_) {
        scroll_ = top;
    } else if (top + ItemHeight() > scroll_ + visible) {
        scroll_ = top + ItemHeight() - visible;
    }
    ::InvalidateRect(hwnd_, nullptr, FALSE);
}

void ComboDropWindow::Choose(int index) {
    ComboBox* combo = combo_;
    Close();
    if (combo != nullptr && index >= 0) {
        combo->SelectItem(index, true, true);
    }
}

bool ComboDropWindow::OnKey(WPARAM key) {
    if (combo_ == nullptr) {
        return false;
    }
    switch (key) {
        case VK_ESCAPE:
            Close();
            return true;
        case VK_RETURN:
        case VK_SPACE:
            Choose(hot_);
            return true;
        case VK_UP:
        case VK_DOWN:
            hot_ = std::clamp(hot_ + (key == VK_UP ? -1 : 1), 0, combo_->Count() - 1);
            EnsureVisible(hot_);
            return true;
        default:
            break;
    }
    if (!IsLetterOrDigitKey(static_cast<int>(key)) || ::GetKeyState(VK_MENU) < 0 ||
        ::GetKeyState(VK_CONTROL) < 0) {
        return false;
    }
    const int found = typeAhead_.Find(*combo_, hot_, static_cast<int>(key), MessageTime());
    if (found >= 0) {
        hot_ = found;
        EnsureVisible(hot_);
    }
    return true;
}

void ComboDropWindow::Paint() {
    PAINTSTRUCT ps{};
    HDC dc = ::BeginPaint(hwnd_, &ps);
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    HDC buffer = ::CreateCompatibleDC(dc);
    HBITMAP bitmap = ::CreateCompatibleBitmap(dc, client.right, client.bottom);
    HGDIOBJ old = ::SelectObject(buffer, bitmap);
    {
        GdiCanvas canvas(buffer, owner_.Fonts(), owner_.Bitmaps());
        const UiRect all{0, 0, client.right, client.bottom};
        canvas.FillRect(all, 0xFFFFFFFF);
        if (combo_ != nullptr) {
            const int h = ItemHeight();
            const bool bar = combo_->Count() * h > client.bottom;
            const int right = client.right - (bar ? owner_.Scale(kScrollBarWidth) : 0);
            for (int i = 0; i < combo_->Count(); ++i) {
                const UiRect rect{0, i * h - scroll_, right, (i + 1) * h - scroll_};
                if (rect.bottom < 0 || rect.top > client.bottom) {
                    continue;
                }
                Control* item = combo_->ItemAt(i);
                if (auto* label = dynamic_cast<ListLabelElement*>(item)) {
                    label->PaintItem(canvas, rect, i == hot_);
                } else {
                    canvas.DrawText(Deflate(rect, {owner_.Scale(6), 0, 0, 0}), item->Text(),
                                    item->Font(), 0xFF404040, kTextSingleLine | kTextVCenter);
                }
                if (i == hot_) {
                    canvas.FrameRect(rect, 1, 0xFF8FB3E8);
                }
            }
            if (bar) {
                const int total = combo_->Count() * h;
                const int ch = static_cast<int>(client.bottom);
                const int thumb = std::max(owner_.Scale(16), ch * ch / total);
                const int top = (ch - thumb) * scroll_ / std::max(1, total - ch);
                canvas.FillRect(
                    {right + owner_.Scale(2), top, client.right - owner_.Scale(2), top + thumb},
                    0xFFC8CDD3);
            }
        }
    }
    ::BitBlt(dc, 0, 0, client.right, client.bottom, buffer, 0, 0, SRCCOPY);
    ::SelectObject(buffer, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(buffer);
    ::EndPaint(hwnd_, &ps);
}

LRESULT ComboDropWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_MOUSEMOVE: {
            const int index = ItemAt(GET_Y_LPARAM(lParam));
            if (index != hot_ && index >= 0) {
                hot_ = index;
                ::InvalidateRect(hwnd_, nullptr, FALSE);
            }
            return 0;
        }
        case WM_LBUTTONDOWN: {
            POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            RECT client{};
            ::GetClientRect(hwnd_, &client);
            if (!::PtInRect(&client, pt)) {
                Close();
                return 0;
            }
            return 0;
        }
        case WM_LBUTTONUP: {
            POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            RECT client{};
            ::GetClientRect(hwnd_, &client);
            if (::PtInRect(&client, pt)) {
                Choose(ItemAt(pt.y));
            }
            return 0;
        }
        case WM_MOUSEWHEEL: {
            if (combo_ != nullptr) {
                const int total = combo_->Count() * ItemHeight();
                RECT client{};
                ::GetClientRect(hwnd_, &client);
                scroll_ =
                    std::clamp(scroll_ - GET_WHEEL_DELTA_WPARAM(wParam) * ItemHeight() * 3 / 120, 0,
                               std::max(0, total - static_cast<int>(client.bottom) + 2));
                ::InvalidateRect(hwnd_, nullptr, FALSE);
            }
            return 0;
        }
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lParam) != hwnd_ && combo_ != nullptr) {
                Close();
            }
            return 0;
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;
        default:
            return NativeWindow::HandleMessage(message, wParam, lParam);
    }
}

}  // namespace qn::win32

#include "ui/win32/window_impl_base.h"

#include <windowsx.h>

#include "platform/win32/win32_module_resources.h"
#include "ui/markup_builder.h"

namespace qn::win32 {

bool BuildSkinWindow(PaintManager& manager, const SkinResourceId& resource,
                     const std::wstring& file, IDialogBuilderCallback* callback,
                     std::wstring& error) {
    // The skin is always the running program's own resource, whatever ports the build chose.
    Win32ModuleResources resources;
    std::shared_ptr<SkinSource> skin = OpenSkinResource(resources, resource, error);
    if (!skin) {
        return false;
    }
    manager.SetSkin(skin);
    auto root = MarkupBuilder(*skin, manager, callback).Build(file, error);
    if (!root) {
        return false;
    }
    manager.AttachDialog(std::move(root));
    return true;
}

WindowImplBase::~WindowImplBase() = default;

LRESULT WindowImplBase::ResponseDefaultKeyEvent(WPARAM) {
    return 0;
}

LRESULT WindowImplBase::OnSysCommand(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    handled = true;
    return ::DefWindowProcW(hwnd_, message, wParam, lParam);
}

void WindowImplBase::Notify(Notification& msg) {
    NotifyPump(msg);
}

std::unique_ptr<Control> WindowImplBase::CreateControl(std::wstring_view) {
    return nullptr;
}

std::intptr_t WindowImplBase::MessageHandler(unsigned message, std::uintptr_t wParam, std::intptr_t,
                                             bool& handled) {
    if (message == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE)) {
        const LRESULT result = ResponseDefaultKeyEvent(wParam);
        handled = result != 0;
        return result;
    }
    return 0;
}

LRESULT WindowImplBase::OnCreate(UINT, WPARAM, LPARAM, bool& handled) {
    handled = true;
    // The skin draws the caption band; the window keeps its system menu and minimise box.
    const LONG_PTR style = ::GetWindowLongPtrW(hwnd_, GWL_STYLE);
    ::SetWindowLongPtrW(hwnd_, GWL_STYLE,
                        (style & ~WS_CAPTION) | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    pm_.Init(hwnd_);
    pm_.AddMessageFilter(this);
    std::wstring file = GetSkinFolder();
    if (!file.empty() && file.back() != L'/' && file.back() != L'\\') {
        file += L'/';
    }
    file += GetSkinFile();
    if (!BuildSkinWindow(pm_, GetResourceId(), file, this, skinError_)) {
        // No skin, no window: creation fails and the caller sees a null handle.
        return -1;
    }
    pm_.AddNotifier(this);
    InitWindow();
    return 0;
}

std::optional<Control*> CaptionBandControl(PaintManager& manager, HWND hwnd, LPARAM lParam) {
    POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ::ScreenToClient(hwnd, &pt);
    RECT client{};
    ::GetClientRect(hwnd, &client);
    const UiRect caption = manager.GetWindowSpec().caption;
    const UiRect band{client.left + manager.Scale(caption.left),
                      client.top + manager.Scale(caption.top),
                      client.right - manager.Scale(caption.right), manager.Scale(caption.bottom)};
    if (!band.Contains({pt.x, pt.y})) {
        return std::nullopt;
    }
    return manager.FindControlAt({pt.x, pt.y});
}

LRESULT WindowImplBase::OnNcHitTest(UINT, WPARAM, LPARAM lParam, bool& handled) {
    handled = true;
    // Anything that takes input in the band stays clickable; the rest drags the window.
    const auto control = CaptionBandControl(pm_, hwnd_, lParam);
    if (control && (*control == nullptr || !(*control)->IsFocusable())) {
        return HTCAPTION;
    }
    return HTCLIENT;
}

LRESULT WindowImplBase::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    bool handled = false;
    LRESULT result = 0;
    switch (message) {
        case WM_CREATE:
            result = OnCreate(message, wParam, lParam, handled);
            break;
        case WM_NCCALCSIZE:
        case WM_NCPAINT:
            return 0;
        case WM_NCACTIVATE:
            if (::IsIconic(hwnd_)) {
                break;
            }
            return wParam == 0 ? TRUE : FALSE;
        case WM_NCHITTEST:
            result = OnNcHitTest(message, wParam, lParam, handled);
            break;
        case WM_SYSCOMMAND:
            result = OnSysCommand(message, wParam, lParam, handled);
            break;
        default:
            break;
    }
    if (handled) {
        return result;
    }
    if (pm_.MessageHandler(message, wParam, lParam, result)) {
        return result;
    }
    return NativeWindow::HandleMessage(message, wParam, lParam);
}

void WindowImplBase::OnFinalMessage(HWND) {
    pm_.RemoveNotifier(this);
    pm_.RemoveMessageFilter(this);
}

}  // namespace qn::win32

#include "app/win32/win32_ui_channel.h"

namespace qn::win32 {

bool Win32UiChannel::Post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    HWND window = window_.load();
    return window != nullptr && ::PostMessageW(window, message, wParam, lParam) != 0;
}

std::intptr_t Win32UiChannel::Send(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    HWND window = window_.load();
    if (window == nullptr) {
        return 0;
    }
    return ::SendMessageW(window, message, wParam, lParam);
}

}  // namespace qn::win32

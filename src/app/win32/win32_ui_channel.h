#pragma once

#include <windows.h>

#include <atomic>

#include "app/ui_channel.h"

namespace qn::win32 {

// Window messages to the main window. Closed when the window goes: from then on nothing is
// posted or sent, so a late worker never reaches a window or object that is gone.
class Win32UiChannel final : public UiChannel {
public:
    explicit Win32UiChannel(HWND window) : window_(window) {}

    void Close() { window_.store(nullptr); }

    bool Post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    std::intptr_t Send(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;

private:
    std::atomic<HWND> window_;
};

}  // namespace qn::win32

#pragma once

#include <cstdint>

namespace qn {

// The only way a worker thread reaches the main window: window messages. Once the window is gone
// the channel is closed and every call returns at once without effect, so a worker that outlives
// the window never touches it.
class UiChannel {
public:
    virtual ~UiChannel() = default;

    // PostMessage: false when the message was not queued (window gone); the sender then still
    // owns whatever lParam points to.
    virtual bool Post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
    // SendMessage: returns when the window has handled it; 0 when the window is gone.
    virtual std::intptr_t Send(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
};

}  // namespace qn

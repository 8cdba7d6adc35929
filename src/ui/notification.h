#pragma once

#include <cstdint>
#include <string>

namespace qn {

class Control;

// Notification types the controls raise.
inline constexpr wchar_t kNotifyClick[] = L"click";
inline constexpr wchar_t kNotifySelectChanged[] = L"selectchanged";
inline constexpr wchar_t kNotifyItemSelect[] = L"itemselect";
inline constexpr wchar_t kNotifyTextChanged[] = L"textchanged";
inline constexpr wchar_t kNotifyTabSelect[] = L"tabselect";

// One notification, delivered synchronously on the UI thread. The sender may be destroyed by a
// sink (for example a list row removed by a click handler): sinks that keep the pointer past
// their own call must look the control up again.
struct Notification {
    Control* sender = nullptr;
    std::wstring type;
    std::uintptr_t wParam = 0;  // itemselect: new index; tabselect: new page
    std::intptr_t lParam = 0;   // itemselect: previous index; tabselect: previous page
};

// Receives the notifications of a control manager.
class INotifyUI {
public:
    virtual ~INotifyUI() = default;
    virtual void Notify(Notification& msg) = 0;
};

// Sees every window message before the control manager does. Setting handled ends the
// processing with the returned value.
class IMessageFilterUI {
public:
    virtual ~IMessageFilterUI() = default;
    virtual std::intptr_t MessageHandler(unsigned message, std::uintptr_t wParam,
                                         std::intptr_t lParam, bool& handled) = 0;
};

}  // namespace qn

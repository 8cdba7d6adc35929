#pragma once

#include <string>

#include "ui/geometry.h"

namespace qn {

class ComboBox;
class Control;

// What the control manager asks of the window that shows it. The Win32 host implements it; tests
// use a recording one.
class UiHost {
public:
    virtual ~UiHost() = default;

    // The area needs to be drawn again.
    virtual void Invalidate(const UiRect& rect) = 0;
    // Keyboard focus moved (now may be null). The host puts its native text input over a focused
    // edit box so input methods work.
    virtual void FocusChanged(Control* now) = 0;
    // The layout changed; native children follow their controls.
    virtual void LayoutChanged() = 0;
    // The user asked for a combo box's drop-down list.
    virtual void OpenDropList(ComboBox& combo) = 0;
    // The control leaves the window (it may be half destroyed already: do not call into it).
    virtual void ControlRemoved(Control* control) = 0;
};

// Implemented by the host's native text input while it sits over an edit box.
class NativeTextInput {
public:
    virtual ~NativeTextInput() = default;
    virtual void SetText(const std::wstring& text) = 0;
    virtual void SetSelection(int start, int end) = 0;
};

}  // namespace qn

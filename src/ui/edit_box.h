#pragma once

#include "ui/control.h"
#include "ui/ui_host.h"

namespace qn {

// A one-line text box. While it has the keyboard focus the host covers it with a native text
// input (so input methods work) that reports every change back; "textchanged" is raised for
// changes the user makes, not for SetText.
class EditBox : public Control {
public:
    EditBox();
    std::wstring_view ClassName() const override { return L"Edit"; }

    void SetText(std::wstring text) override;
    // Selection (caret when start == end), in characters; clamped to the text.
    void SetSel(int start, int end);
    int SelStart() const { return selStart_; }
    int SelEnd() const { return selEnd_; }
    bool IsReadOnly() const { return readOnly_; }
    int MaxChars() const { return maxChars_; }
    Argb NativeBkColor() const { return nativeBkColor_; }

    bool SetAttribute(std::wstring_view name, std::wstring_view value) override;
    bool IsFocusable() const override;
    void Paint(Canvas& canvas, const UiRect& dirty) override;

    // The host's native input attaches while the box has the focus (null detaches).
    void AttachNativeInput(NativeTextInput* input);
    NativeTextInput* NativeInput() const { return native_; }
    // The user changed the text in the native input.
    void OnUserTextChanged(std::wstring text, int selStart, int selEnd);

private:
    bool readOnly_ = false;
    int maxChars_ = 255;
    int selStart_ = 0;
    int selEnd_ = 0;
    Argb nativeBkColor_ = 0xFFFFFFFF;
    NativeTextInput* native_ = nullptr;
};

}  // namespace qn

#include "ui/edit_box.h"

#include <algorithm>

#include "ui/control_manager.h"
#include "ui/notification.h"

namespace qn {

EditBox::EditBox() {
    textStyle_ = kTextSingleLine | kTextVCenter | kTextLeft | kTextNoPrefix;
    textPadding_ = {4, 0, 4, 0};
}

void EditBox::SetText(std::wstring text) {
    const int length = static_cast<int>(text.size());
    Control::SetText(std::move(text));
    selStart_ = std::min(selStart_, length);
    selEnd_ = std::min(selEnd_, length);
    if (native_ != nullptr) {
        native_->SetText(Text());
    }
}

void EditBox::SetSel(int start, int end) {
    const int length = static_cast<int>(Text().size());
    // -1 as end means "to the end", as the native control takes it.
    if (end < 0) {
        end = length;
    }
    selStart_ = std::clamp(start, 0, length);
    selEnd_ = std::clamp(end, selStart_, length);
    if (native_ != nullptr) {
        native_->SetSelection(selStart_, selEnd_);
    }
}

bool EditBox::SetAttribute(std::wstring_view name, std::wstring_view value) {
    if (name == L"readonly") {
        const auto on = ParseBool(value);
        if (!on) {
            return false;
        }
        readOnly_ = *on;
        return true;
    }
    if (name == L"maxchar") {
        const auto chars = ParseInt(value);
        if (!chars || *chars <= 0) {
            return false;
        }
        maxChars_ = *chars;
        return true;
    }
    if (name == L"nativebkcolor") {
        const auto color = ParseColor(value);
        if (!color) {
            return false;
        }
        nativeBkColor_ = *color;
        return true;
    }
    return Control::SetAttribute(name, value);
}

bool EditBox::IsFocusable() const {
    return !readOnly_ && IsReallyVisible() && IsReallyEnabled();
}

void EditBox::Paint(Canvas& canvas, const UiRect& dirty) {
    if (Intersect(Pos(), dirty).Empty()) {
        return;
    }
    PaintBackground(canvas);
    // The native input draws the text while it is there.
    if (native_ == nullptr) {
        PaintText(canvas);
    }
    PaintBorder(canvas);
}

void EditBox::AttachNativeInput(NativeTextInput* input) {
    native_ = input;
    Invalidate();
}

void EditBox::OnUserTextChanged(std::wstring text, int selStart, int selEnd) {
    text_ = std::move(text);
    const int length = static_cast<int>(text_.size());
    selStart_ = std::clamp(selStart, 0, length);
    selEnd_ = std::clamp(selEnd, selStart_, length);
    SendNotify(kNotifyTextChanged);
}

}  // namespace qn

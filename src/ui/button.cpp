#include "ui/button.h"

#include "ui/control_manager.h"
#include "ui/notification.h"

namespace qn {

Button::Button() {
    textStyle_ = kTextSingleLine | kTextVCenter | kTextCenter | kTextNoPrefix;
}

bool Button::SetAttribute(std::wstring_view name, std::wstring_view value) {
    std::optional<ImageRef>* image = name == L"normalimage"     ? &normalImage_
                                     : name == L"hotimage"      ? &hotImage_
                                     : name == L"pushedimage"   ? &pushedImage_
                                     : name == L"focusedimage"  ? &focusedImage_
                                     : name == L"disabledimage" ? &disabledImage_
                                                                : nullptr;
    if (image != nullptr) {
        const auto parsed = ParseImageRef(value);
        if (!parsed) {
            return false;
        }
        *image = parsed;
        Invalidate();
        return true;
    }
    Argb* color = name == L"hotbkcolor"        ? &hotBkColor_
                  : name == L"pushedbkcolor"   ? &pushedBkColor_
                  : name == L"hottextcolor"    ? &hotTextColor_
                  : name == L"pushedtextcolor" ? &pushedTextColor_
                                               : nullptr;
    if (color != nullptr) {
        const auto parsed = ParseColor(value);
        if (!parsed) {
            return false;
        }
        *color = *parsed;
        Invalidate();
        return true;
    }
    return Control::SetAttribute(name, value);
}

bool Button::IsFocusable() const {
    return IsReallyVisible() && IsReallyEnabled();
}

bool Button::Activate() {
    if (!IsReallyEnabled() || !IsReallyVisible()) {
        return false;
    }
    // Last statement: a click handler may destroy this control.
    SendNotify(kNotifyClick);
    return true;
}

void Button::OnEvent(const UiEvent& event) {
    switch (event.type) {
        case UiEventType::ButtonDown:
        case UiEventType::DoubleClick:
            pushed_ = true;
            Invalidate();
            break;
        case UiEventType::MouseMove:
            if (Manager() != nullptr && Manager()->Captured() == this) {
                const bool inside = Pos().Contains(event.pt);
                if (inside != pushed_) {
                    pushed_ = inside;
                    Invalidate();
                }
            }
            break;
        case UiEventType::ButtonUp: {
            const bool wasPushed = pushed_;
            pushed_ = false;
            Invalidate();
            if (wasPushed && Pos().Contains(event.pt)) {
                Activate();
            }
            break;
        }
        default:
            Control::OnEvent(event);
            break;
    }
}

void Button::Paint(Canvas& canvas, const UiRect& dirty) {
    if (Intersect(Pos(), dirty).Empty()) {
        return;
    }
    Control::Paint(canvas, dirty);
    if (IsFocused() && Manager()->ShowFocusCue()) {
        canvas.DrawFocusRect(Deflate(Pos(), {Scale(3), Scale(3), Scale(3), Scale(3)}));
    }
}

void Button::PaintStatusImage(Canvas& canvas) {
    if (!IsReallyEnabled()) {
        if (DrawImage(canvas, disabledImage_, Pos())) {
            return;
        }
    } else if (pushed_) {
        if (pushedBkColor_ >> 24) {
            canvas.FillRect(Pos(), pushedBkColor_);
        }
        if (DrawImage(canvas, pushedImage_, Pos())) {
            return;
        }
    } else if (IsHot()) {
        if (hotBkColor_ >> 24) {
            canvas.FillRect(Pos(), hotBkColor_);
        }
        if (DrawImage(canvas, hotImage_, Pos())) {
            return;
        }
    } else if (IsFocused()) {
        if (DrawImage(canvas, focusedImage_, Pos())) {
            return;
        }
    }
    DrawImage(canvas, normalImage_, Pos());
}

void Button::PaintText(Canvas& canvas) {
    if (Text().empty()) {
        return;
    }
    Argb color = textColor_;
    if (!IsReallyEnabled()) {
        color = disabledTextColor_;
    } else if (pushed_ && (pushedTextColor_ >> 24)) {
        color = pushedTextColor_;
    } else if (IsHot() && (hotTextColor_ >> 24)) {
        color = hotTextColor_;
    }
    DrawTextIn(canvas, Text(), color);
}

}  // namespace qn

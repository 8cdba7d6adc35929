#include "ui/control.h"

#include "ui/control_manager.h"
#include "ui/notification.h"

namespace qn {

Control::Control() = default;

Control::~Control() {
    if (manager_ != nullptr) {
        manager_->ForgetControl(this);
    }
}

void Control::SetText(std::wstring text) {
    if (text_ == text) {
        return;
    }
    text_ = std::move(text);
    Invalidate();
}

void Control::SetEnabled(bool enabled) {
    if (enabled_ == enabled) {
        return;
    }
    enabled_ = enabled;
    if (!enabled && manager_ != nullptr && manager_->Focus() == this) {
        manager_->SetFocus(nullptr);
    }
    Invalidate();
}

bool Control::IsReallyEnabled() const {
    for (const Control* c = this; c != nullptr; c = c->parent_) {
        if (!c->enabled_) {
            return false;
        }
    }
    return true;
}

void Control::SetVisible(bool visible) {
    if (visible_ == visible) {
        return;
    }
    visible_ = visible;
    NeedLayout();
}

bool Control::IsReallyVisible() const {
    for (const Control* c = this; c != nullptr; c = c->parent_) {
        if (!c->visible_) {
            return false;
        }
    }
    return true;
}

void Control::SetFixedWidth(int width) {
    fixedWidth_ = width < 0 ? 0 : width;
    NeedLayout();
}

void Control::SetFixedHeight(int height) {
    fixedHeight_ = height < 0 ? 0 : height;
    NeedLayout();
}

void Control::SetTextStyle(unsigned style) {
    textStyle_ = style;
    Invalidate();
}

void Control::SetFixedPosition(const UiRect& rect) {
    floatPos_ = rect;
    // Outside a float the position only gives the size, as a fixed width and height.
    fixedWidth_ = rect.Width() > 0 ? rect.Width() : 0;
    fixedHeight_ = rect.Height() > 0 ? rect.Height() : 0;
    NeedLayout();
}

bool Control::SetAttribute(std::wstring_view name, std::wstring_view value) {
    if (name == L"name") {
        name_ = std::wstring(value);
    } else if (name == L"text") {
        SetText(std::wstring(value));
    } else if (name == L"userdata") {
        userData_ = std::wstring(value);
    } else if (const auto layout = SetLayoutAttribute(name, value)) {
        return *layout;
    } else if (const auto look = SetLookAttribute(name, value)) {
        return *look;
    } else if (const auto text = SetTextAttribute(name, value)) {
        return *text;
    } else {
        return false;
    }
    return true;
}

std::optional<bool> Control::SetLayoutAttribute(std::wstring_view name, std::wstring_view value) {
    if (name == L"pos") {
        const auto rect = ParseRect(value);
        if (!rect) {
            return false;
        }
        SetFixedPosition(*rect);
    } else if (name == L"float") {
        const auto on = ParseBool(value);
        if (!on) {
            return false;
        }
        float_ = *on;
        NeedLayout();
    } else if (name == L"padding" || name == L"textpadding") {
        const auto rect = ParseRect(value);
        if (!rect) {
            return false;
        }
        (name == L"padding" ? padding_ : textPadding_) = *rect;
        NeedLayout();
    } else if (name == L"width" || name == L"height") {
        const auto length = ParseInt(value);
        if (!length || *length < 0) {
            return false;
        }
        name == L"width" ? SetFixedWidth(*length) : SetFixedHeight(*length);
    } else if (name == L"visible" || name == L"enabled") {
        const auto on = ParseBool(value);
        if (!on) {
            return false;
        }
        name == L"visible" ? SetVisible(*on) : SetEnabled(*on);
    } else {
        return std::nullopt;
    }
    return true;
}

std::optional<bool> Control::SetLookAttribute(std::wstring_view name, std::wstring_view value) {
    if (name == L"bkcolor" || name == L"bordercolor" || name == L"textcolor" ||
        name == L"disabledtextcolor") {
        const auto color = ParseColor(value);
        if (!color) {
            return false;
        }
        Argb& target = name == L"bkcolor"       ? bkColor_
                       : name == L"bordercolor" ? borderColor_
                       : name == L"textcolor"   ? textColor_
                                                : disabledTextColor_;
        target = *color;
    } else if (name == L"bordersize") {
        const auto size = ParseInt(value);
        if (!size || *size < 0) {
            return false;
        }
        borderSize_ = *size;
    } else if (name == L"bkimage") {
        const auto image = ParseImageRef(value);
        if (!image) {
            return false;
        }
        bkImage_ = image;
    } else if (name == L"font") {
        const auto id = ParseInt(value);
        if (!id) {
            return false;
        }
        font_ = *id;
    } else {
        return std::nullopt;
    }
    Invalidate();
    return true;
}

std::optional<bool> Control::SetTextAttribute(std::wstring_view name, std::wstring_view value) {
    if (name == L"align") {
        unsigned horizontal = 0;
        if (value == L"left") {
            horizontal = kTextLeft;
        } else if (value == L"center") {
            horizontal = kTextCenter;
        } else if (value == L"right") {
            horizontal = kTextRight;
        } else {
            return false;
        }
        textStyle_ = (textStyle_ & ~kTextHorizontalMask) | horizontal;
    } else if (name == L"valign") {
        unsigned vertical = 0;
        if (value == L"top") {
            vertical = 0;
        } else if (value == L"vcenter" || value == L"center") {
            vertical = kTextVCenter;
        } else if (value == L"bottom") {
            vertical = kTextBottom;
        } else {
            return false;
        }
        textStyle_ = (textStyle_ & ~kTextVerticalMask) | vertical;
    } else if (name == L"endellipsis" || name == L"multiline") {
        const auto on = ParseBool(value);
        if (!on) {
            return false;
        }
        const unsigned flags = name == L"endellipsis" ? kTextEndEllipsis : kTextWordBreak;
        textStyle_ = *on ? textStyle_ | flags : textStyle_ & ~flags;
        if (name == L"multiline") {
            textStyle_ = *on ? textStyle_ & ~kTextSingleLine : textStyle_ | kTextSingleLine;
        }
    } else {
        return std::nullopt;
    }
    Invalidate();
    return true;
}

void Control::SetPos(const UiRect& rect) {
    if (pos_ == rect) {
        return;
    }
    Invalidate();
    pos_ = rect;
    Invalidate();
}

bool Control::AddMarkupChild(std::unique_ptr<Control>) {
    return false;
}

Control* Control::FindByName(std::wstring_view name) {
    if (name_ == name) {
        return this;
    }
    const int count = TreeChildCount();
    for (int i = 0; i < count; ++i) {
        if (Control* child = TreeChildAt(i)) {
            if (Control* found = child->FindByName(name)) {
                return found;
            }
        }
    }
    return nullptr;
}

Control* Control::HitTest(UiPoint pt) {
    if (!visible_ || !pos_.Contains(pt)) {
        return nullptr;
    }
    const int count = TreeChildCount();
    // Floats are drawn last, so they are on top; among equals the later one is on top.
    for (bool floats : {true, false}) {
        for (int i = count; i-- > 0;) {
            Control* child = TreeChildAt(i);
            if (child != nullptr && child->IsFloat() == floats) {
                if (Control* hit = child->HitTest(pt)) {
                    return hit;
                }
            }
        }
    }
    return this;
}

bool Control::IsFocused() const {
    return manager_ != nullptr && manager_->Focus() == this;
}

bool Control::IsHot() const {
    return manager_ != nullptr && manager_->Hot() == this;
}

void Control::OnEvent(const UiEvent& event) {
    if (event.type == UiEventType::MouseEnter || event.type == UiEventType::MouseLeave ||
        event.type == UiEventType::SetFocus || event.type == UiEventType::KillFocus) {
        Invalidate();
    }
}

void Control::Paint(Canvas& canvas, const UiRect& dirty) {
    if (Intersect(pos_, dirty).Empty()) {
        return;
    }
    PaintBackground(canvas);
    PaintStatusImage(canvas);
    PaintText(canvas);
    PaintBorder(canvas);
}

void Control::Invalidate() {
    if (manager_ != nullptr && !pos_.Empty()) {
        manager_->Invalidate(pos_);
    }
}

void Control::NeedLayout() {
    if (manager_ != nullptr) {
        manager_->NeedLayout();
    }
}

void Control::SetManager(ControlManager* manager) {
    if (manager_ != nullptr && manager_ != manager) {
        manager_->ForgetControl(this);
    }
    manager_ = manager;
    const int count = TreeChildCount();
    for (int i = 0; i < count; ++i) {
        if (Control* child = TreeChildAt(i)) {
            child->SetManager(manager);
        }
    }
}

int Control::Scale(int value) const {
    return manager_ != nullptr ? manager_->Scale(value) : value;
}

UiRect Control::ScaleRect(const UiRect& r) const {
    return {Scale(r.left), Scale(r.top), Scale(r.right), Scale(r.bottom)};
}

bool Control::DrawImage(Canvas& canvas, const std::optional<ImageRef>& image, const UiRect& rect) {
    if (!image || manager_ == nullptr) {
        return false;
    }
    const DecodedImage* decoded = manager_->Image(image->file);
    if (decoded == nullptr) {
        return false;
    }
    UiRect dest = rect;
    if (image->dest) {
        const UiRect d = ScaleRect(*image->dest);
        dest = {rect.left + d.left, rect.top + d.top, rect.left + d.right, rect.top + d.bottom};
        dest = Intersect(dest, rect);
    }
    UiRect source{0, 0, decoded->width, decoded->height};
    if (image->source) {
        source = Intersect(*image->source, source);
    }
    if (dest.Empty() || source.Empty()) {
        return false;
    }
    canvas.DrawImage(*decoded, dest, source, image->corner, ScaleRect(image->corner), image->fade);
    return true;
}

void Control::PaintBackground(Canvas& canvas) {
    if (bkColor_ >> 24) {
        canvas.FillRect(pos_, bkColor_);
    }
    DrawImage(canvas, bkImage_, pos_);
}

void Control::PaintBorder(Canvas& canvas) {
    if (borderSize_ > 0 && (borderColor_ >> 24)) {
        canvas.FrameRect(pos_, Scale(borderSize_), borderColor_);
    }
}

void Control::PaintStatusImage(Canvas&) {}

void Control::PaintText(Canvas& canvas) {
    if (!text_.empty()) {
        DrawTextIn(canvas, text_, IsReallyEnabled() ? textColor_ : disabledTextColor_);
    }
}

void Control::DrawTextIn(Canvas& canvas, const std::wstring& text, Argb color) {
    const UiRect area = Deflate(pos_, ScaleRect(textPadding_));
    if (!area.Empty()) {
        canvas.DrawText(area, text, font_, color, textStyle_ | kTextNoPrefix);
    }
}

void Control::SendNotify(const wchar_t* type, std::uintptr_t wParam, std::intptr_t lParam) {
    if (manager_ != nullptr) {
        Notification msg{this, type, wParam, lParam};
        manager_->SendNotify(msg);
    }
}

}  // namespace qn

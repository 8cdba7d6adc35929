#include "ui/combo_box.h"

#include <algorithm>

#include "ui/control_manager.h"
#include "ui/notification.h"

namespace qn {

namespace {

constexpr int kArrowWidth = 20;
constexpr int kMaxDropHeight = 240;
// Stretched box images keep this border, unless their attribute gives one.
constexpr UiRect kImageCorner{3, 3, 3, 3};

}  // namespace

ComboBox::ComboBox() {
    textStyle_ = kTextSingleLine | kTextVCenter | kTextLeft | kTextEndEllipsis | kTextNoPrefix;
    style_.height = 24;
}

bool ComboBox::SelectItem(int index, bool takeFocus, bool notify) {
    return MoveSelection(selected_, index, takeFocus, notify);
}

std::wstring ComboBox::SelectedText() const {
    const Control* item = ItemAt(selected_);
    return item != nullptr ? item->Text() : std::wstring();
}

int ComboBox::DropHeight() const {
    if (dropHeight_ > 0) {
        return dropHeight_;
    }
    int total = 0;
    for (const auto& item : items_) {
        total += item->FixedHeight() > 0 ? item->FixedHeight() : style_.height;
    }
    return std::clamp(total, style_.height, kMaxDropHeight);
}

bool ComboBox::SetAttribute(std::wstring_view name, std::wstring_view value) {
    if (name.starts_with(L"item")) {
        if (!style_.SetAttribute(name, value)) {
            return false;
        }
        Invalidate();
        return true;
    }
    std::optional<ImageRef>* image = name == L"normalimage"     ? &normalImage_
                                     : name == L"hotimage"      ? &hotImage_
                                     : name == L"pushedimage"   ? &pushedImage_
                                     : name == L"focusedimage"  ? &focusedImage_
                                     : name == L"disabledimage" ? &disabledImage_
                                                                : nullptr;
    if (image != nullptr) {
        auto parsed = ParseImageRef(value);
        if (!parsed) {
            return false;
        }
        if (parsed->corner == UiRect{}) {
            parsed->corner = kImageCorner;
        }
        *image = parsed;
        Invalidate();
        return true;
    }
    if (name == L"dropboxsize") {
        const auto size = ParseSize(value);
        if (!size || size->cy < 0) {
            return false;
        }
        dropHeight_ = size->cy;
        return true;
    }
    if (name == L"vscrollbar") {
        const auto on = ParseBool(value);
        if (!on) {
            return false;
        }
        vScrollBar_ = *on;
        return true;
    }
    if (name == L"arrowcolor") {
        const auto color = ParseColor(value);
        if (!color) {
            return false;
        }
        arrowColor_ = *color;
        return true;
    }
    return Container::SetAttribute(name, value);
}

void ComboBox::SetManager(ControlManager* manager) {
    Control::SetManager(manager);
    // The items are not part of the tree, but they draw with this window's fonts and images.
    for (auto& item : items_) {
        item->SetManager(manager);
    }
}

void ComboBox::SetPos(const UiRect& rect) {
    Control::SetPos(rect);
}

bool ComboBox::IsFocusable() const {
    return IsReallyVisible() && IsReallyEnabled();
}

bool ComboBox::Activate() {
    if (!IsReallyEnabled() || !IsReallyVisible() || Manager() == nullptr) {
        return false;
    }
    Manager()->OpenDropList(*this);
    return true;
}

void ComboBox::OnEvent(const UiEvent& event) {
    switch (event.type) {
        case UiEventType::ButtonDown:
            pushed_ = true;
            Invalidate();
            Activate();
            pushed_ = false;
            Invalidate();
            break;
        case UiEventType::Wheel:
            if (Count() > 0) {
                SelectItem(std::clamp(selected_ + (event.wheelDelta > 0 ? -1 : 1), 0, Count() - 1));
            }
            break;
        case UiEventType::KeyDown:
            if (event.key == kKeyF4 || ((event.modifiers & kModAlt) && event.key == kKeyDown)) {
                Activate();
            } else if (IsLetterOrDigitKey(event.key)) {
                const int found = typeAhead_.Find(*this, selected_, event.key, event.time);
                if (found >= 0) {
                    SelectItem(found);
                }
            } else if (Count() > 0 && (event.key == kKeyUp || event.key == kKeyDown ||
                                       event.key == kKeyHome || event.key == kKeyEnd)) {
                int target = selected_;
                if (event.key == kKeyUp) {
                    target = selected_ - 1;
                } else if (event.key == kKeyDown) {
                    target = selected_ + 1;
                } else if (event.key == kKeyHome) {
                    target = 0;
                } else {
                    target = Count() - 1;
                }
                SelectItem(std::clamp(target, 0, Count() - 1));
            }
            break;
        default:
            Control::OnEvent(event);
            break;
    }
}

void ComboBox::Paint(Canvas& canvas, const UiRect& dirty) {
    if (Intersect(Pos(), dirty).Empty()) {
        return;
    }
    PaintBackground(canvas);
    bool drawn = false;
    if (!IsReallyEnabled()) {
        drawn = DrawImage(canvas, disabledImage_, Pos());
    } else if (pushed_) {
        drawn = DrawImage(canvas, pushedImage_, Pos());
    } else if (IsHot()) {
        drawn = DrawImage(canvas, hotImage_, Pos());
    } else if (IsFocused()) {
        drawn = DrawImage(canvas, focusedImage_, Pos());
    }
    if (!drawn) {
        DrawImage(canvas, normalImage_, Pos());
    }
    // The drop arrow: a small triangle built from lines, so it stays sharp at every scale.
    const int arrowWidth = std::min(Scale(kArrowWidth), Pos().Width() / 2);
    const int cx = Pos().right - arrowWidth / 2 - Scale(2);
    const int cy = (Pos().top + Pos().bottom) / 2;
    const int half = std::max(2, Scale(4));
    for (int row = 0; row < half; ++row) {
        const int w = half - row;
        canvas.FillRect({cx - w, cy - half / 2 + row, cx + w, cy - half / 2 + row + 1},
                        IsReallyEnabled() ? arrowColor_ : disabledTextColor_);
    }
    const std::wstring text = SelectedText();
    if (!text.empty()) {
        UiRect area = Deflate(Pos(), ScaleRect(textPadding_));
        area.right = std::max(area.left, Pos().right - arrowWidth - Scale(2));
        const Control* item = ItemAt(selected_);
        const int font = font_ >= 0 ? font_ : (item != nullptr ? item->Font() : -1);
        canvas.DrawText(area, text, font, IsReallyEnabled() ? textColor_ : disabledTextColor_,
                        textStyle_ | kTextNoPrefix);
    }
    PaintBorder(canvas);
    if (IsFocused() && Manager()->ShowFocusCue()) {
        canvas.DrawFocusRect(Deflate(Pos(), {Scale(2), Scale(2), arrowWidth, Scale(2)}));
    }
}

void ComboBox::OnItemAdded(Control& item, int index) {
    if (auto* element = dynamic_cast<ListItem*>(&item)) {
        element->SetOwner(this);
    }
    // Items are not in the tree: keep them from being shown or hit as children.
    item.SetManager(Manager());
    if (selected_ >= index) {
        ++selected_;
    }
    Invalidate();
}

void ComboBox::OnItemRemoved(Control& item, int index) {
    if (auto* element = dynamic_cast<ListItem*>(&item)) {
        element->SetOwner(nullptr);
    }
    if (selected_ == index) {
        selected_ = -1;
    } else if (selected_ > index) {
        --selected_;
    }
    Invalidate();
}

}  // namespace qn

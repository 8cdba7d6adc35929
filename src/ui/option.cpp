#include "ui/option.h"

#include "ui/control_manager.h"
#include "ui/notification.h"

namespace qn {

namespace {

void CollectGroup(Control* control, const std::wstring& group, std::vector<Option*>& out) {
    if (control == nullptr) {
        return;
    }
    if (auto* option = dynamic_cast<Option*>(control);
        option != nullptr && option->Group() == group) {
        out.push_back(option);
    }
    const int count = control->TreeChildCount();
    for (int i = 0; i < count; ++i) {
        CollectGroup(control->TreeChildAt(i), group, out);
    }
}

}  // namespace

void Option::Selected(bool selected, bool notify) {
    if (selected_ == selected) {
        return;
    }
    selected_ = selected;
    Invalidate();
    if (selected_) {
        ClearOthersInGroup();
    }
    if (notify) {
        SendNotify(kNotifySelectChanged);
    }
}

void Option::SetGroup(std::wstring group) {
    group_ = std::move(group);
    if (selected_) {
        ClearOthersInGroup();
    }
}

void Option::ClearOthersInGroup() {
    if (group_.empty() || Manager() == nullptr) {
        return;
    }
    std::vector<Option*> members;
    CollectGroup(Manager()->Root(), group_, members);
    for (Option* other : members) {
        if (other != this) {
            other->Selected(false);
        }
    }
}

void Option::SetManager(ControlManager* manager) {
    Button::SetManager(manager);
    // A selected member that joins a window wins over the one selected there so far.
    if (selected_ && manager != nullptr) {
        ClearOthersInGroup();
    }
}

bool Option::SetAttribute(std::wstring_view name, std::wstring_view value) {
    if (name == L"group") {
        SetGroup(std::wstring(value));
        return true;
    }
    if (name == L"selected") {
        const auto on = ParseBool(value);
        if (!on) {
            return false;
        }
        Selected(*on);
        return true;
    }
    if (name == L"selectedimage" || name == L"selectedhotimage") {
        const auto image = ParseImageRef(value);
        if (!image) {
            return false;
        }
        (name == L"selectedimage" ? selectedImage_ : selectedHotImage_) = image;
        Invalidate();
        return true;
    }
    if (name == L"selectedtextcolor" || name == L"selectedbkcolor") {
        const auto color = ParseColor(value);
        if (!color) {
            return false;
        }
        (name == L"selectedtextcolor" ? selectedTextColor_ : selectedBkColor_) = *color;
        Invalidate();
        return true;
    }
    return Button::SetAttribute(name, value);
}

bool Option::Activate() {
    if (!IsReallyEnabled() || !IsReallyVisible()) {
        return false;
    }
    Selected(group_.empty() ? !selected_ : true);
    return Button::Activate();
}

void Option::PaintStatusImage(Canvas& canvas) {
    if (!selected_) {
        Button::PaintStatusImage(canvas);
        return;
    }
    if (selectedBkColor_ >> 24) {
        canvas.FillRect(Pos(), selectedBkColor_);
    }
    if (IsHot() && DrawImage(canvas, selectedHotImage_, Pos())) {
        return;
    }
    if (!DrawImage(canvas, selectedImage_, Pos())) {
        Button::PaintStatusImage(canvas);
    }
}

void Option::PaintText(Canvas& canvas) {
    if (selected_ && (selectedTextColor_ >> 24) && IsReallyEnabled() && !Text().empty()) {
        DrawTextIn(canvas, Text(), selectedTextColor_);
        return;
    }
    Button::PaintText(canvas);
}

CheckBox::CheckBox() {
    textStyle_ = kTextSingleLine | kTextVCenter | kTextLeft | kTextNoPrefix;
}

}  // namespace qn

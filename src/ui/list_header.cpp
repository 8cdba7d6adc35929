#include "ui/list_header.h"

namespace qn {

ListHeaderItem::ListHeaderItem() {
    textStyle_ = kTextSingleLine | kTextVCenter | kTextCenter | kTextEndEllipsis | kTextNoPrefix;
}

bool ListHeaderItem::SetAttribute(std::wstring_view name, std::wstring_view value) {
    if (name == L"sepcolor") {
        const auto color = ParseColor(value);
        if (!color) {
            return false;
        }
        sepColor_ = *color;
        return true;
    }
    return Control::SetAttribute(name, value);
}

void ListHeaderItem::Paint(Canvas& canvas, const UiRect& dirty) {
    if (Intersect(Pos(), dirty).Empty()) {
        return;
    }
    Control::Paint(canvas, dirty);
    if (sepColor_ >> 24) {
        const int w = Scale(1);
        canvas.FillRect(
            {Pos().right - w, Pos().top + Scale(4), Pos().right, Pos().bottom - Scale(4)},
            sepColor_);
    }
}

}  // namespace qn

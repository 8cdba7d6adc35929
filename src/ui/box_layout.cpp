#include "ui/box_layout.h"

#include <algorithm>

#include "ui/control_manager.h"

namespace qn {

namespace {

int ScaleBy(const Control& c, int v) {
    return c.Manager() ? c.Manager()->Scale(v) : v;
}

UiRect ScaledPadding(const Control& c) {
    const UiRect& p = c.Padding();
    return {ScaleBy(c, p.left), ScaleBy(c, p.top), ScaleBy(c, p.right), ScaleBy(c, p.bottom)};
}

}  // namespace

void StackChildren(Control& parent, const std::vector<Control*>& children, const UiRect& inner,
                   int childPadding, bool vertical) {
    const int gap = ScaleBy(parent, childPadding);
    const int available = vertical ? inner.Height() : inner.Width();
    const int across = vertical ? inner.Width() : inner.Height();
    int fixedTotal = 0;
    int flexCount = 0;
    int placed = 0;
    for (Control* child : children) {
        const UiRect p = ScaledPadding(*child);
        const int fixed = vertical ? child->FixedHeight() : child->FixedWidth();
        if (fixed > 0) {
            fixedTotal += ScaleBy(parent, fixed);
        } else {
            ++flexCount;
        }
        fixedTotal += vertical ? p.top + p.bottom : p.left + p.right;
        ++placed;
    }
    if (placed > 1) {
        fixedTotal += gap * (placed - 1);
    }
    const int remaining = std::max(0, available - fixedTotal);
    const int flexEach = flexCount > 0 ? remaining / flexCount : 0;
    int flexLeft = flexCount;
    int cursor = vertical ? inner.top : inner.left;
    const int end = vertical ? inner.bottom : inner.right;
    for (Control* child : children) {
        const UiRect p = ScaledPadding(*child);
        const int before = vertical ? p.top : p.left;
        const int after = vertical ? p.bottom : p.right;
        const int fixed = vertical ? child->FixedHeight() : child->FixedWidth();
        int length = 0;
        if (fixed > 0) {
            length = ScaleBy(parent, fixed);
        } else {
            // The last flexible child takes the pixels that the division left over.
            length = --flexLeft == 0 ? remaining - flexEach * (flexCount - 1) : flexEach;
        }
        const int start = cursor + before;
        length = std::max(0, std::min(length, end - after - start));
        const int acrossBefore = vertical ? p.left : p.top;
        const int acrossAfter = vertical ? p.right : p.bottom;
        const int acrossFixed = vertical ? child->FixedWidth() : child->FixedHeight();
        int acrossLength = across - acrossBefore - acrossAfter;
        if (acrossFixed > 0) {
            acrossLength = std::min(acrossLength, ScaleBy(parent, acrossFixed));
        }
        acrossLength = std::max(0, acrossLength);
        if (vertical) {
            const int x = inner.left + acrossBefore;
            child->SetPos({x, start, x + acrossLength, start + length});
        } else {
            const int y = inner.top + acrossBefore;
            child->SetPos({start, y, start + length, y + acrossLength});
        }
        cursor = start + length + after + gap;
    }
}

void BoxLayout::SetPos(const UiRect& rect) {
    Control::SetPos(rect);
    std::vector<Control*> stacked;
    for (auto& item : items_) {
        if (!item->IsVisible()) {
            continue;
        }
        if (item->IsFloat()) {
            LayoutFloat(*item, rect);
        } else {
            stacked.push_back(item.get());
        }
    }
    StackChildren(*this, stacked, Deflate(rect, ScaleRect(inset_)), childPadding_, vertical_);
}

}  // namespace qn

#include "ui/list_element.h"

#include <algorithm>
#include <string_view>

#include "ui/control_manager.h"

namespace qn {

namespace {

const ListItemStyle& StyleOf(const ListItem& item) {
    static const ListItemStyle kPlain;
    return item.Owner() != nullptr ? item.Owner()->ItemStyle() : kPlain;
}

bool IsSelectedIn(const Control& control, const ListItem& item) {
    const ListOwner* owner = item.Owner();
    return owner != nullptr && owner->SelectedIndex() >= 0 &&
           owner->ItemIndex(&control) == owner->SelectedIndex();
}

// The row counts as hot while the mouse is over it or over anything inside it.
bool IsHotWithin(const Control& row) {
    if (row.Manager() == nullptr) {
        return false;
    }
    for (const Control* c = row.Manager()->Hot(); c != nullptr; c = c->Parent()) {
        if (c == &row) {
            return true;
        }
    }
    return false;
}

// Typed keys are ASCII letters and digits, so folding ASCII is enough for any item text.
wchar_t FoldCase(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool StartsWithFolded(std::wstring_view text, std::wstring_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](wchar_t a, wchar_t b) { return a == FoldCase(b); });
}

}  // namespace

std::wstring ListItemSearchText(const Control& item) {
    if (!item.Text().empty()) {
        return item.Text();
    }
    for (int i = 0; i < item.TreeChildCount(); ++i) {
        const Control* child = item.TreeChildAt(i);
        if (child != nullptr && child->IsVisible()) {
            std::wstring text = ListItemSearchText(*child);
            if (!text.empty()) {
                return text;
            }
        }
    }
    return {};
}

int TypeAhead::Find(const Container& items, int current, int key, std::optional<std::uint32_t> time,
                    std::uint32_t timeout) {
    // Unsigned difference, so the clock wrapping around does not matter.
    const bool continues = !prefix_.empty() && time.has_value() && *time - last_ < timeout;
    if (!continues) {
        prefix_.clear();
    }
    prefix_ += FoldCase(static_cast<wchar_t>(key));
    last_ = time.value_or(0);
    const bool repeated =
        std::all_of(prefix_.begin(), prefix_.end(), [&](wchar_t c) { return c == prefix_[0]; });
    const std::wstring_view wanted =
        repeated ? std::wstring_view(prefix_).substr(0, 1) : std::wstring_view(prefix_);
    // A new letter moves on from the current item; a longer prefix may still be the current one.
    const int count = items.Count();
    const int start = repeated ? current + 1 : std::max(current, 0);
    for (int i = 0; i < count; ++i) {
        const int index = (start + i) % count;
        const Control* item = items.ItemAt(index);
        if (item != nullptr && item->IsVisible() &&
            StartsWithFolded(ListItemSearchText(*item), wanted)) {
            return index;
        }
    }
    return -1;
}

void PaintListItemBackground(Canvas& canvas, const Control& control, const UiRect& rect, bool hot) {
    const auto* item = dynamic_cast<const ListItem*>(&control);
    if (item == nullptr) {
        return;
    }
    const ListItemStyle& style = StyleOf(*item);
    Argb color = style.bkColor;
    if (IsSelectedIn(control, *item) && (style.selectedBkColor >> 24)) {
        color = style.selectedBkColor;
    } else if (hot && (style.hotBkColor >> 24)) {
        color = style.hotBkColor;
    } else if (style.altBk && item->Owner() != nullptr &&
               item->Owner()->ItemIndex(&control) % 2 == 1 && (style.altBkColor >> 24)) {
        color = style.altBkColor;
    }
    if (color >> 24) {
        canvas.FillRect(rect, color);
    }
    if (style.lineColor >> 24) {
        canvas.FillRect({rect.left, rect.bottom - 1, rect.right, rect.bottom}, style.lineColor);
    }
}

ListItem* EnclosingListItem(Control* control, Control** itemControl) {
    for (Control* c = control; c != nullptr; c = c->Parent()) {
        if (auto* item = dynamic_cast<ListItem*>(c); item != nullptr && item->Owner() != nullptr) {
            if (itemControl != nullptr) {
                *itemControl = c;
            }
            return item;
        }
    }
    return nullptr;
}

ListLabelElement::ListLabelElement() {
    textStyle_ = kTextSingleLine | kTextVCenter | kTextLeft | kTextEndEllipsis | kTextNoPrefix;
}

bool ListLabelElement::IsSelected() const {
    return IsSelectedIn(*this, *this);
}

bool ListLabelElement::SetAttribute(std::wstring_view name, std::wstring_view value) {
    if (!Control::SetAttribute(name, value)) {
        return false;
    }
    if (name == L"textcolor") {
        ownTextColor_ = true;
    } else if (name == L"align") {
        ownAlign_ = true;
    } else if (name == L"font") {
        ownFont_ = true;
    } else if (name == L"textpadding") {
        ownTextPadding_ = true;
    }
    return true;
}

void ListLabelElement::Paint(Canvas& canvas, const UiRect& dirty) {
    if (Intersect(Pos(), dirty).Empty()) {
        return;
    }
    PaintItem(canvas, Pos(), IsHotWithin(*this));
}

void ListLabelElement::PaintItem(Canvas& canvas, const UiRect& rect, bool hot) {
    PaintListItemBackground(canvas, *this, rect, hot);
    if (bkColor_ >> 24) {
        canvas.FillRect(rect, bkColor_);
    }
    PaintItemText(canvas, rect, Text(), hot);
}

void ListLabelElement::PaintItemText(Canvas& canvas, const UiRect& rect, const std::wstring& text,
                                     bool hot) {
    if (text.empty()) {
        return;
    }
    const ListItemStyle& style = StyleOf(*this);
    Argb color = style.textColor;
    if (ownTextColor_) {
        color = textColor_;
    } else if (!IsReallyEnabled()) {
        color = style.disabledTextColor;
    } else if (IsSelected() && (style.selectedTextColor >> 24)) {
        color = style.selectedTextColor;
    } else if (hot && (style.hotTextColor >> 24)) {
        color = style.hotTextColor;
    }
    const int font = ownFont_ ? font_ : style.font;
    unsigned flags = textStyle_;
    if (!ownAlign_) {
        flags = (flags & ~kTextHorizontalMask) | style.align;
    }
    const UiRect area =
        Deflate(rect, ScaleRect(ownTextPadding_ ? textPadding_ : style.textPadding));
    if (!area.Empty()) {
        canvas.DrawText(area, text, font, color, flags | kTextNoPrefix);
    }
}

const std::wstring& ListTextElement::ColumnText(int column) const {
    static const std::wstring kEmpty;
    if (column < 0 || column >= static_cast<int>(columns_.size())) {
        return kEmpty;
    }
    return columns_[static_cast<std::size_t>(column)];
}

void ListTextElement::SetColumnText(int column, std::wstring text) {
    if (column < 0) {
        return;
    }
    if (column >= static_cast<int>(columns_.size())) {
        columns_.resize(static_cast<std::size_t>(column) + 1);
    }
    if (column == 0) {
        Control::SetText(text);
    }
    columns_[static_cast<std::size_t>(column)] = std::move(text);
    Invalidate();
}

void ListTextElement::SetText(std::wstring text) {
    SetColumnText(0, std::move(text));
}

void ListTextElement::Paint(Canvas& canvas, const UiRect& dirty) {
    if (Intersect(Pos(), dirty).Empty()) {
        return;
    }
    const bool hot = IsHotWithin(*this);
    PaintListItemBackground(canvas, *this, Pos(), hot);
    for (int column = 0; column < static_cast<int>(columns_.size()); ++column) {
        int left = 0;
        int right = 0;
        if (Owner() == nullptr || !Owner()->ColumnBounds(column, left, right)) {
            // Without a header the first column takes the row, the others are not shown.
            if (column != 0) {
                break;
            }
            left = Pos().left;
            right = Pos().right;
        }
        const UiRect cell{left, Pos().top, right, Pos().bottom};
        canvas.PushClip(Intersect(cell, Pos()));
        PaintItemText(canvas, cell, columns_[static_cast<std::size_t>(column)], hot);
        canvas.PopClip();
    }
}

bool ListContainerElement::IsSelected() const {
    return IsSelectedIn(*this, *this);
}

void ListContainerElement::Paint(Canvas& canvas, const UiRect& dirty) {
    const UiRect clip = Intersect(Pos(), dirty);
    if (clip.Empty()) {
        return;
    }
    PaintListItemBackground(canvas, *this, Pos(), IsHotWithin(*this));
    PaintBackground(canvas);
    PaintChildren(canvas, clip);
    PaintBorder(canvas);
}

}  // namespace qn

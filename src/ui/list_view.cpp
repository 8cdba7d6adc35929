#include "ui/list_view.h"

#include <algorithm>

#include "ui/control_manager.h"
#include "ui/notification.h"

namespace qn {

namespace {

constexpr int kDefaultHeaderHeight = 26;
constexpr int kScrollBarWidth = 8;
constexpr int kWheelRows = 3;

}  // namespace

ListView::ListView() : header_(std::make_unique<ListHeader>()) {
    header_->SetParent(this);
    header_->SetVisible(false);
}

Control* ListView::TreeChildAt(int index) const {
    if (index == 0) {
        return header_.get();
    }
    return ItemAt(index - 1);
}

bool ListView::AddMarkupChild(std::unique_ptr<Control> child) {
    if (auto* header = dynamic_cast<ListHeader*>(child.get())) {
        child.release();
        header_.reset(header);
        header_->SetParent(this);
        header_->SetManager(Manager());
        header_->SetVisible(headerShown_);
        NeedLayout();
        return true;
    }
    return Add(std::move(child));
}

bool ListView::SelectItem(int index, bool takeFocus, bool notify) {
    return MoveSelection(selected_, index, takeFocus, notify, [this](int shown) {
        if (shown >= 0) {
            EnsureVisible(shown);
        }
    });
}

void ListView::ScrollToEnd() {
    scrollToEnd_ = true;
    NeedLayout();
    // Applied at once when the layout is current (no rows added since the last one).
    if (Manager() == nullptr || !Manager()->LayoutPending()) {
        LayoutRows();
    }
}

int ListView::ScrollRange() const {
    return std::max(0, content_ - body_.Height());
}

void ListView::SetScrollPos(int pos) {
    pos = std::clamp(pos, 0, ScrollRange());
    if (pos == scroll_) {
        return;
    }
    scroll_ = pos;
    LayoutRows();
    Invalidate();
}

bool ListView::SetAttribute(std::wstring_view name, std::wstring_view value) {
    if (name.starts_with(L"item")) {
        if (!style_.SetAttribute(name, value)) {
            return false;
        }
        NeedLayout();
        Invalidate();
        return true;
    }
    if (name == L"header") {
        if (value == L"hidden" || value == L"false") {
            headerShown_ = false;
        } else if (value == L"true" || value == L"visible") {
            headerShown_ = true;
        } else {
            return false;
        }
        header_->SetVisible(headerShown_ && header_->Count() + header_->FixedHeight() > 0);
        NeedLayout();
        return true;
    }
    if (name == L"vscrollbar" || name == L"hscrollbar") {
        const auto on = ParseBool(value);
        if (!on) {
            return false;
        }
        // Rows never get wider than the list, so only the vertical bar is ever needed.
        if (name == L"vscrollbar") {
            vScrollBar_ = *on;
        }
        NeedLayout();
        return true;
    }
    if (name == L"scrollthumbcolor") {
        const auto color = ParseColor(value);
        if (!color) {
            return false;
        }
        thumbColor_ = *color;
        return true;
    }
    return Container::SetAttribute(name, value);
}

int ListView::RowHeight(const Control& row) const {
    return Scale(row.FixedHeight() > 0 ? row.FixedHeight() : style_.height);
}

void ListView::SetPos(const UiRect& rect) {
    Control::SetPos(rect);
    const UiRect inner = Deflate(rect, ScaleRect(inset_));
    int headerHeight = 0;
    // A header written in the skin shows unless the list hides it.
    header_->SetVisible(headerShown_ && (header_->Count() > 0 || header_->FixedHeight() > 0));
    if (header_->IsVisible()) {
        headerHeight =
            Scale(header_->FixedHeight() > 0 ? header_->FixedHeight() : kDefaultHeaderHeight);
        header_->SetPos({inner.left, inner.top, inner.right, inner.top + headerHeight});
    }
    body_ = {inner.left, inner.top + headerHeight, inner.right, inner.bottom};
    LayoutRows();
}

void ListView::LayoutRows() {
    content_ = 0;
    for (auto& item : items_) {
        if (item->IsVisible()) {
            const UiRect p = ScaleRect(item->Padding());
            content_ += p.top + RowHeight(*item) + p.bottom;
        }
    }
    scrollBarShown_ = vScrollBar_ && content_ > body_.Height();
    if (scrollToEnd_) {
        scroll_ = ScrollRange();
        scrollToEnd_ = false;
    }
    scroll_ = std::clamp(scroll_, 0, ScrollRange());
    const int right = body_.right - (scrollBarShown_ ? Scale(kScrollBarWidth) : 0);
    int y = body_.top - scroll_;
    for (auto& item : items_) {
        if (!item->IsVisible()) {
            continue;
        }
        const UiRect p = ScaleRect(item->Padding());
        const int left = body_.left + p.left;
        int width = right - p.right - left;
        if (item->FixedWidth() > 0) {
            width = std::min(width, Scale(item->FixedWidth()));
        }
        const int top = y + p.top;
        const int height = RowHeight(*item);
        item->SetPos({left, top, left + std::max(0, width), top + height});
        y = top + height + p.bottom;
    }
}

void ListView::EnsureVisible(int index) {
    Control* row = ItemAt(index);
    if (row == nullptr || body_.Empty()) {
        return;
    }
    if (Manager() != nullptr && Manager()->LayoutPending()) {
        Manager()->LayoutIfNeeded();
    }
    const UiRect pos = row->Pos();
    if (pos.top < body_.top) {
        SetScrollPos(scroll_ - (body_.top - pos.top));
    } else if (pos.bottom > body_.bottom) {
        SetScrollPos(scroll_ + (pos.bottom - body_.bottom));
    }
}

UiRect ListView::ThumbRect() const {
    if (!scrollBarShown_ || content_ <= 0) {
        return {};
    }
    const int track = body_.Height();
    const int thumb = std::max(Scale(16), track * track / content_);
    const int range = ScrollRange();
    const int top = body_.top + (range > 0 ? (track - thumb) * scroll_ / range : 0);
    return {body_.right - Scale(kScrollBarWidth) + Scale(2), top, body_.right - Scale(2),
            top + thumb};
}

void ListView::Paint(Canvas& canvas, const UiRect& dirty) {
    const UiRect clip = Intersect(Pos(), dirty);
    if (clip.Empty()) {
        return;
    }
    PaintBackground(canvas);
    canvas.PushClip(clip);
    if (header_->IsVisible()) {
        header_->Paint(canvas, clip);
    }
    const UiRect bodyClip = Intersect(body_, clip);
    if (!bodyClip.Empty()) {
        canvas.PushClip(bodyClip);
        for (auto& item : items_) {
            if (item->IsVisible() && !Intersect(item->Pos(), bodyClip).Empty()) {
                item->Paint(canvas, bodyClip);
            }
        }
        canvas.PopClip();
    }
    if (scrollBarShown_) {
        canvas.FillRect(ThumbRect(), thumbColor_);
    }
    canvas.PopClip();
    PaintBorder(canvas);
    if (IsFocused() && Manager()->ShowFocusCue()) {
        canvas.DrawFocusRect(Deflate(Pos(), {Scale(1), Scale(1), Scale(1), Scale(1)}));
    }
}

Control* ListView::HitTest(UiPoint pt) {
    if (!IsVisible() || !Pos().Contains(pt)) {
        return nullptr;
    }
    if (header_->IsVisible()) {
        if (Control* hit = header_->HitTest(pt)) {
            return hit;
        }
    }
    if (!body_.Contains(pt) || (scrollBarShown_ && pt.x >= body_.right - Scale(kScrollBarWidth))) {
        return this;
    }
    for (auto& item : items_) {
        if (Control* hit = item->HitTest(pt)) {
            return hit;
        }
    }
    return this;
}

bool ListView::IsFocusable() const {
    return IsReallyVisible() && IsReallyEnabled();
}

void ListView::OnEvent(const UiEvent& event) {
    switch (event.type) {
        case UiEventType::Wheel:
            if (!items_.empty()) {
                const int step = RowHeight(*items_.front()) * kWheelRows;
                SetScrollPos(scroll_ - event.wheelDelta * step / 120);
            }
            break;
        case UiEventType::ButtonDown: {
            const UiRect thumb = ThumbRect();
            if (scrollBarShown_ && event.pt.x >= body_.right - Scale(kScrollBarWidth)) {
                if (thumb.Contains(event.pt)) {
                    dragStart_ = event.pt.y;
                    dragScroll_ = scroll_;
                } else {
                    // A click on the track pages towards it.
                    SetScrollPos(scroll_ + (event.pt.y < thumb.top ? -1 : 1) * body_.Height());
                }
            }
            break;
        }
        case UiEventType::MouseMove:
            if (dragStart_ >= 0) {
                const int track = body_.Height() - ThumbRect().Height();
                if (track > 0) {
                    SetScrollPos(dragScroll_ + (event.pt.y - dragStart_) * ScrollRange() / track);
                }
            }
            break;
        case UiEventType::ButtonUp:
            dragStart_ = -1;
            break;
        case UiEventType::KeyDown: {
            int target = selected_;
            const int page = std::max(1, body_.Height() / std::max(1, Scale(style_.height)));
            switch (event.key) {
                case kKeyUp:
                    target = selected_ < 0 ? 0 : selected_ - 1;
                    break;
                case kKeyDown:
                    target = selected_ + 1;
                    break;
                case kKeyHome:
                    target = 0;
                    break;
                case kKeyEnd:
                    target = Count() - 1;
                    break;
                case kKeyPageUp:
                    target = selected_ - page;
                    break;
                case kKeyPageDown:
                    target = selected_ + page;
                    break;
                default:
                    if (!IsLetterOrDigitKey(event.key)) {
                        return;
                    }
                    target = typeAhead_.Find(*this, selected_, event.key, event.time);
                    if (target < 0) {
                        return;
                    }
                    break;
            }
            if (Count() > 0) {
                SelectItem(std::clamp(target, 0, Count() - 1));
            }
            break;
        }
        default:
            Control::OnEvent(event);
            break;
    }
}

bool ListView::ColumnBounds(int column, int& left, int& right) const {
    Control* item = header_->ItemAt(column);
    if (item == nullptr || !header_->IsVisible()) {
        return false;
    }
    left = item->Pos().left;
    right = item->Pos().right;
    return true;
}

void ListView::OnItemAdded(Control& item, int index) {
    if (auto* row = dynamic_cast<ListItem*>(&item)) {
        row->SetOwner(this);
    }
    if (selected_ >= index) {
        ++selected_;
    }
}

void ListView::OnItemRemoved(Control& item, int index) {
    if (auto* row = dynamic_cast<ListItem*>(&item)) {
        row->SetOwner(nullptr);
    }
    if (selected_ == index) {
        selected_ = -1;
    } else if (selected_ > index) {
        --selected_;
    }
}

}  // namespace qn

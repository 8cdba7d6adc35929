#include "ui/container.h"

#include "ui/control_manager.h"
#include "ui/notification.h"

namespace qn {

Control* Container::ItemAt(int index) const {
    if (index < 0 || index >= Count()) {
        return nullptr;
    }
    return items_[static_cast<std::size_t>(index)].get();
}

int Container::IndexOf(const Control* item) const {
    for (int i = 0; i < Count(); ++i) {
        if (items_[static_cast<std::size_t>(i)].get() == item) {
            return i;
        }
    }
    return -1;
}

bool Container::Add(std::unique_ptr<Control> item) {
    return AddAt(std::move(item), Count());
}

bool Container::AddAt(std::unique_ptr<Control> item, int index) {
    if (!item || index < 0 || index > Count()) {
        return false;
    }
    Control& added = *item;
    added.SetParent(this);
    added.SetManager(Manager());
    items_.insert(items_.begin() + index, std::move(item));
    OnItemAdded(added, index);
    NeedLayout();
    return true;
}

bool Container::RemoveAt(int index) {
    return TakeAt(index) != nullptr;
}

std::unique_ptr<Control> Container::TakeAt(int index) {
    if (index < 0 || index >= Count()) {
        return nullptr;
    }
    Invalidate();
    std::unique_ptr<Control> item = std::move(items_[static_cast<std::size_t>(index)]);
    items_.erase(items_.begin() + index);
    item->SetManager(nullptr);
    item->SetParent(nullptr);
    OnItemRemoved(*item, index);
    NeedLayout();
    return item;
}

void Container::RemoveAll() {
    while (!items_.empty()) {
        RemoveAt(Count() - 1);
    }
}

bool Container::SetAttribute(std::wstring_view name, std::wstring_view value) {
    if (name == L"inset") {
        const auto rect = ParseRect(value);
        if (!rect) {
            return false;
        }
        inset_ = *rect;
        NeedLayout();
        return true;
    }
    if (name == L"childpadding") {
        const auto padding = ParseInt(value);
        if (!padding) {
            return false;
        }
        childPadding_ = *padding;
        NeedLayout();
        return true;
    }
    return Control::SetAttribute(name, value);
}

void Container::SetPos(const UiRect& rect) {
    Control::SetPos(rect);
    const UiRect inner = Deflate(rect, ScaleRect(inset_));
    for (auto& item : items_) {
        if (!item->IsVisible()) {
            continue;
        }
        if (item->IsFloat()) {
            LayoutFloat(*item, rect);
        } else {
            item->SetPos(Deflate(inner, ScaleRect(item->Padding())));
        }
    }
}

void Container::LayoutFloat(Control& child, const UiRect& rect) {
    const UiRect p = child.FloatPos();
    UiRect placed{rect.left + Scale(p.left), rect.top + Scale(p.top), rect.left + Scale(p.right),
                  rect.top + Scale(p.bottom)};
    if (p.right <= p.left) {
        placed.right = placed.left + Scale(child.FixedWidth());
    }
    if (p.bottom <= p.top) {
        placed.bottom = placed.top + Scale(child.FixedHeight());
    }
    child.SetPos(placed);
}

void Container::Paint(Canvas& canvas, const UiRect& dirty) {
    const UiRect clip = Intersect(Pos(), dirty);
    if (clip.Empty()) {
        return;
    }
    PaintBackground(canvas);
    PaintStatusImage(canvas);
    PaintText(canvas);
    PaintChildren(canvas, clip);
    PaintBorder(canvas);
}

void Container::PaintChildren(Canvas& canvas, const UiRect& clip) {
    canvas.PushClip(clip);
    for (bool floats : {false, true}) {
        for (auto& item : items_) {
            if (item->IsVisible() && item->IsFloat() == floats) {
                item->Paint(canvas, clip);
            }
        }
    }
    canvas.PopClip();
}

void Container::OnItemAdded(Control&, int) {}

void Container::OnItemRemoved(Control&, int) {}

bool Container::MoveSelection(int& selected, int index, bool takeFocus, bool notify,
                              const std::function<void(int)>& shown) {
    if (index < -1 || index >= Count()) {
        return false;
    }
    if (takeFocus && Manager() != nullptr) {
        Manager()->SetFocus(this);
    }
    if (index == selected) {
        return true;
    }
    const int old = selected;
    selected = index;
    Invalidate();
    if (shown) {
        shown(index);
    }
    if (notify) {
        SendNotify(kNotifyItemSelect, static_cast<std::uintptr_t>(index), old);
    }
    return true;
}

}  // namespace qn

#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "ui/control.h"

namespace qn {

// A control that owns an ordered list of child controls ("items"). The item operations are the
// ones lists and combo boxes share: count, item at, append, insert, remove destroying or keeping.
// On its own it gives every child its whole inner rectangle; the layouts arrange them.
class Container : public Control {
public:
    std::wstring_view ClassName() const override { return L"Container"; }

    int Count() const { return static_cast<int>(items_.size()); }
    // Null for an index out of range.
    Control* ItemAt(int index) const;
    int IndexOf(const Control* item) const;
    bool Add(std::unique_ptr<Control> item);
    // index may equal Count() (append); false for null or an index out of range.
    bool AddAt(std::unique_ptr<Control> item, int index);
    // Removes and destroys the item.
    bool RemoveAt(int index);
    // Removes the item and hands it back alive, to be inserted again; null when out of range.
    std::unique_ptr<Control> TakeAt(int index);
    void RemoveAll();

    const UiRect& Inset() const { return inset_; }
    int ChildPadding() const { return childPadding_; }

    bool SetAttribute(std::wstring_view name, std::wstring_view value) override;
    int TreeChildCount() const override { return Count(); }
    Control* TreeChildAt(int index) const override { return ItemAt(index); }
    bool AddMarkupChild(std::unique_ptr<Control> child) override { return Add(std::move(child)); }
    void SetPos(const UiRect& rect) override;
    void Paint(Canvas& canvas, const UiRect& dirty) override;

protected:
    // Moves the selection of a list or combo box to index (-1: none): gives this control the
    // focus when asked, repaints, calls shown with the new index, and notifies "itemselect" with
    // the new and the old index. False for an index out of range; true without a notification
    // when the index is selected already.
    bool MoveSelection(int& selected, int index, bool takeFocus, bool notify,
                       const std::function<void(int)>& shown = {});
    // Places a float child by its "pos", relative to this control's top left corner.
    void LayoutFloat(Control& child, const UiRect& rect);
    void PaintChildren(Canvas& canvas, const UiRect& clip);
    // Hooks for lists and combo boxes that track a selected index.
    virtual void OnItemAdded(Control& item, int index);
    virtual void OnItemRemoved(Control& item, int index);

    std::vector<std::unique_ptr<Control>> items_;
    UiRect inset_;
    int childPadding_ = 0;
};

}  // namespace qn

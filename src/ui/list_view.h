#pragma once

#include <memory>

#include "ui/container.h"
#include "ui/list_element.h"
#include "ui/list_header.h"
#include "ui/list_item_style.h"

namespace qn {

// A list: an optional header of columns above rows that scroll vertically. The items are the
// rows (label, text or container elements). Selecting a row, by mouse, keyboard or code, raises
// "itemselect" with the new index in wParam and the previous one in lParam. Typed letters select
// the next row whose first text starts with them (see TypeAhead).
class ListView : public Container, public ListOwner {
public:
    ListView();
    std::wstring_view ClassName() const override { return L"List"; }

    ListHeader* Header() const { return header_.get(); }
    // -1 for none.
    int SelectedIndex() const override { return selected_; }
    // Selects row index (-1 clears); takeFocus also gives the list the keyboard focus. No
    // notification when the selection does not change. False for an index out of range.
    bool SelectItem(int index, bool takeFocus = false, bool notify = true) override;
    // Shows the last row; applied with the next layout, so rows added just before are counted.
    void ScrollToEnd();
    int ScrollPos() const { return scroll_; }
    void SetScrollPos(int pos);
    int ScrollRange() const;
    bool VerticalScrollBarShown() const { return scrollBarShown_; }

    bool SetAttribute(std::wstring_view name, std::wstring_view value) override;
    int TreeChildCount() const override { return Count() + 1; }
    Control* TreeChildAt(int index) const override;
    bool AddMarkupChild(std::unique_ptr<Control> child) override;
    void SetPos(const UiRect& rect) override;
    void Paint(Canvas& canvas, const UiRect& dirty) override;
    Control* HitTest(UiPoint pt) override;
    bool IsFocusable() const override;
    void OnEvent(const UiEvent& event) override;

    const ListItemStyle& ItemStyle() const override { return style_; }
    int ItemIndex(const Control* item) const override { return IndexOf(item); }
    bool ColumnBounds(int column, int& left, int& right) const override;

protected:
    void OnItemAdded(Control& item, int index) override;
    void OnItemRemoved(Control& item, int index) override;

private:
    void LayoutRows();
    void EnsureVisible(int index);
    UiRect ThumbRect() const;
    int RowHeight(const Control& row) const;

    std::unique_ptr<ListHeader> header_;
    ListItemStyle style_;
    TypeAhead typeAhead_;
    int selected_ = -1;
    int scroll_ = 0;
    int content_ = 0;
    bool scrollToEnd_ = false;
    bool vScrollBar_ = false;
    bool scrollBarShown_ = false;
    bool headerShown_ = true;
    UiRect body_;
    Argb thumbColor_ = 0xFFC8CDD3;
    int dragStart_ = -1;  // mouse y where a thumb drag began, -1 when not dragging
    int dragScroll_ = 0;
};

}  // namespace qn

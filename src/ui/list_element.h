#pragma once

#include <string>
#include <vector>

#include "ui/container.h"
#include "ui/list_item_style.h"

namespace qn {

// What every row of a list (and item of a combo box) has: the list or combo box that owns it.
class ListItem {
public:
    virtual ~ListItem() = default;
    ListOwner* Owner() const { return owner_; }
    void SetOwner(ListOwner* owner) { owner_ = owner; }

private:
    ListOwner* owner_ = nullptr;
};

// A row that shows one text. Its own "textcolor", "align", "font" and "textpadding" win over
// the list's item style.
class ListLabelElement : public Control, public ListItem {
public:
    ListLabelElement();
    std::wstring_view ClassName() const override { return L"ListLabelElement"; }
    bool IsSelected() const;

    bool SetAttribute(std::wstring_view name, std::wstring_view value) override;
    void Paint(Canvas& canvas, const UiRect& dirty) override;

    // Used by the combo box's drop-down list, which draws items outside the window's tree.
    void PaintItem(Canvas& canvas, const UiRect& rect, bool hot);

protected:
    void PaintItemText(Canvas& canvas, const UiRect& rect, const std::wstring& text, bool hot);

private:
    bool ownTextColor_ = false;
    bool ownAlign_ = false;
    bool ownFont_ = false;
    bool ownTextPadding_ = false;
};

// A row with one text per column of the list's header.
class ListTextElement : public ListLabelElement {
public:
    std::wstring_view ClassName() const override { return L"ListTextElement"; }
    // Column 0 is also the control's text.
    const std::wstring& ColumnText(int column) const;
    void SetColumnText(int column, std::wstring text);
    void SetText(std::wstring text) override;
    void Paint(Canvas& canvas, const UiRect& dirty) override;

private:
    std::vector<std::wstring> columns_;
};

// A row that holds controls (a layout with check boxes, labels, edit boxes...).
class ListContainerElement : public Container, public ListItem {
public:
    std::wstring_view ClassName() const override { return L"ListContainerElement"; }
    bool IsSelected() const;
    void Paint(Canvas& canvas, const UiRect& dirty) override;
};

// The list item that control is, or lies inside; null when there is none.
ListItem* EnclosingListItem(Control* control, Control** itemControl);

// Fills a row's background for its state (selected, hot, alternate) from the owner's style.
void PaintListItemBackground(Canvas& canvas, const Control& item, const UiRect& rect, bool hot);

}  // namespace qn

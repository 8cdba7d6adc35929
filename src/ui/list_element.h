#pragma once

#include <cstdint>
#include <optional>
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
    int ColumnCount() const { return static_cast<int>(columns_.size()); }
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

// The text a row is found by when its first letters are typed: its own text, or else the first
// text shown inside it (a row of controls: its first visible control with a text, depth first).
std::wstring ListItemSearchText(const Control& item);

// How long a typed letter waits for the next one to extend the search ("sv" past "sl-SI" to
// "sv-SE"): time to type a few letters, short enough that a pause starts over.
inline constexpr std::uint32_t kTypeAheadMs = 1000;

// Type-ahead of a list or combo box: letters typed within the timeout of each other form a
// prefix, and the next item whose search text starts with it (regardless of case) is the one to
// select. The same letter typed again cycles through the items starting with it.
class TypeAhead {
public:
    // The item to select for the typed key (a letter or digit key code), searching from current
    // and wrapping around; -1 when none matches. Without a time every key starts a new search.
    int Find(const Container& items, int current, int key, std::optional<std::uint32_t> time,
             std::uint32_t timeout = kTypeAheadMs);
    void Reset() { prefix_.clear(); }

private:
    std::wstring prefix_;
    std::uint32_t last_ = 0;
};

// Fills a row's background for its state (selected, hot, alternate) from the owner's style.
void PaintListItemBackground(Canvas& canvas, const Control& item, const UiRect& rect, bool hot);

}  // namespace qn

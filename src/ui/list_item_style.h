#pragma once

#include <string_view>

#include "ui/attribute_values.h"
#include "ui/text_style.h"

namespace qn {

class Control;

// How the rows of a list, or the items of a combo box's drop-down list, look. Set on the list or
// combo box through its "item..." attributes; a row's own attributes win over these.
struct ListItemStyle {
    int font = -1;
    Argb textColor = 0xFF333333;
    Argb selectedTextColor = 0;
    Argb hotTextColor = 0;
    Argb disabledTextColor = 0xFFA0A0A0;
    Argb bkColor = 0;
    Argb altBkColor = 0;  // every second row, when "itemaltbk" is on
    bool altBk = false;
    Argb hotBkColor = 0;
    Argb selectedBkColor = 0;
    Argb lineColor = 0;  // a line under every row
    UiRect textPadding;
    unsigned align = kTextLeft;
    int height = 26;  // rows without a height of their own

    // Takes an "item..." attribute; false when name is not one or value does not parse.
    bool SetAttribute(std::wstring_view name, std::wstring_view value);
};

// Lists and combo boxes own their items through this interface, so an item can find its index,
// its look and the selection.
class ListOwner {
public:
    virtual ~ListOwner() = default;
    virtual const ListItemStyle& ItemStyle() const = 0;
    virtual int ItemIndex(const Control* item) const = 0;
    virtual int SelectedIndex() const = 0;
    virtual bool SelectItem(int index, bool takeFocus = false, bool notify = true) = 0;
    // Left and right edge of column i, in client pixels; false when there is no such column.
    virtual bool ColumnBounds(int column, int& left, int& right) const = 0;
};

}  // namespace qn

#pragma once

#include <optional>

#include "ui/container.h"
#include "ui/list_element.h"
#include "ui/list_item_style.h"

namespace qn {

// A drop-down list box. Its items (list label elements) are shown by the host's drop-down list,
// not in the window's tree; the box shows the selected item's text. Selecting an item raises
// "itemselect" with the new index in wParam and the previous one in lParam. Arrows and typed
// letters (type-ahead) select while it is closed.
class ComboBox : public Container, public ListOwner {
public:
    ComboBox();
    std::wstring_view ClassName() const override { return L"Combo"; }

    int SelectedIndex() const override { return selected_; }
    // Selects item index (-1 clears); no notification when the selection does not change.
    bool SelectItem(int index, bool takeFocus = false, bool notify = true) override;
    // The selected item's text; empty without a selection.
    std::wstring SelectedText() const;
    // Height of the drop-down list at 100 %, from "dropboxsize" or the items.
    int DropHeight() const;
    bool VerticalScrollBar() const { return vScrollBar_; }

    bool SetAttribute(std::wstring_view name, std::wstring_view value) override;
    int TreeChildCount() const override { return 0; }
    Control* TreeChildAt(int) const override { return nullptr; }
    void SetManager(ControlManager* manager) override;
    void SetPos(const UiRect& rect) override;
    bool IsFocusable() const override;
    bool Activate() override;
    void OnEvent(const UiEvent& event) override;
    void Paint(Canvas& canvas, const UiRect& dirty) override;

    const ListItemStyle& ItemStyle() const override { return style_; }
    int ItemIndex(const Control* item) const override { return IndexOf(item); }
    bool ColumnBounds(int, int&, int&) const override { return false; }

protected:
    void OnItemAdded(Control& item, int index) override;
    void OnItemRemoved(Control& item, int index) override;

private:
    ListItemStyle style_;
    TypeAhead typeAhead_;
    int selected_ = -1;
    int dropHeight_ = 0;
    bool vScrollBar_ = false;
    bool pushed_ = false;
    std::optional<ImageRef> normalImage_;
    std::optional<ImageRef> hotImage_;
    std::optional<ImageRef> pushedImage_;
    std::optional<ImageRef> focusedImage_;
    std::optional<ImageRef> disabledImage_;
    Argb arrowColor_ = 0xFF606A78;
};

}  // namespace qn

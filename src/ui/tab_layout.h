#pragma once

#include "ui/container.h"

namespace qn {

// Shows one of its children at a time (the wizard's pages); each gets the whole inner area.
class TabLayout : public Container {
public:
    std::wstring_view ClassName() const override { return L"TabLayout"; }

    int CurSel() const { return current_; }
    // Shows page index and hides the others; raises "tabselect" (wParam new, lParam old page)
    // when the page changes. False for an index out of range.
    bool SelectItem(int index);

    bool SetAttribute(std::wstring_view name, std::wstring_view value) override;

protected:
    void OnItemAdded(Control& item, int index) override;
    void OnItemRemoved(Control& item, int index) override;

private:
    int current_ = -1;
};

}  // namespace qn

#include "ui/tab_layout.h"

#include "ui/control_manager.h"
#include "ui/notification.h"

namespace qn {

bool TabLayout::SelectItem(int index) {
    if (index < 0 || index >= Count()) {
        return false;
    }
    const int old = current_;
    current_ = index;
    for (int i = 0; i < Count(); ++i) {
        ItemAt(i)->SetVisible(i == index);
    }
    // Keyboard focus must not stay on a control of a page that is no longer shown.
    if (ControlManager* manager = Manager();
        manager != nullptr && manager->Focus() != nullptr && !manager->Focus()->IsReallyVisible()) {
        manager->SetFocus(nullptr);
    }
    NeedLayout();
    Invalidate();
    if (old != index) {
        SendNotify(kNotifyTabSelect, static_cast<std::uintptr_t>(index), old);
    }
    return true;
}

bool TabLayout::SetAttribute(std::wstring_view name, std::wstring_view value) {
    if (name == L"selectedid") {
        const auto index = ParseInt(value);
        if (!index) {
            return false;
        }
        current_ = *index;
        for (int i = 0; i < Count(); ++i) {
            ItemAt(i)->SetVisible(i == current_);
        }
        return true;
    }
    return Container::SetAttribute(name, value);
}

void TabLayout::OnItemAdded(Control& item, int index) {
    if (current_ < 0) {
        current_ = 0;
    } else if (index <= current_ && current_ < Count() - 1) {
        // Inserted before the shown page, which existed already: it moves one place on.
        ++current_;
    }
    item.SetVisible(ItemAt(current_) == &item);
}

void TabLayout::OnItemRemoved(Control&, int index) {
    if (index < current_) {
        --current_;
    } else if (index == current_) {
        current_ = -1;
        if (Count() > 0) {
            SelectItem(index < Count() ? index : Count() - 1);
        }
    }
}

}  // namespace qn

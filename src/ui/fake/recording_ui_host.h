#pragma once

#include <vector>

#include "ui/ui_host.h"

namespace qn::fake {

// A host that remembers what the control manager asked of it.
class RecordingUiHost : public UiHost {
public:
    void Invalidate(const UiRect&) override { ++invalidations; }
    void FocusChanged(Control* now) override { focusChanges.push_back(now); }
    void LayoutChanged() override { ++layouts; }
    void OpenDropList(ComboBox& combo) override { dropLists.push_back(&combo); }
    void ControlRemoved(Control* control) override { removed.push_back(control); }

    int invalidations = 0;
    int layouts = 0;
    std::vector<Control*> focusChanges;
    std::vector<ComboBox*> dropLists;
    std::vector<Control*> removed;
};

}  // namespace qn::fake

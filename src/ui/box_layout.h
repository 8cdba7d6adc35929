#pragma once

#include "ui/container.h"

namespace qn {

// Stacks its children top to bottom (vertical) or left to right (horizontal). Children with a
// fixed length along the axis get it; the others share what is left equally. Across the axis a
// child fills the layout unless it has a fixed size. Children that would run past the end are
// cut to the space left, so their text is shortened (ellipsis) instead of clipped.
class BoxLayout : public Container {
public:
    explicit BoxLayout(bool vertical) : vertical_(vertical) {}
    void SetPos(const UiRect& rect) override;

private:
    bool vertical_;
};

class VerticalLayout : public BoxLayout {
public:
    VerticalLayout() : BoxLayout(true) {}
    std::wstring_view ClassName() const override { return L"VerticalLayout"; }
};

class HorizontalLayout : public BoxLayout {
public:
    HorizontalLayout() : BoxLayout(false) {}
    std::wstring_view ClassName() const override { return L"HorizontalLayout"; }
};

// Places the given children (visible, not float) one after the other inside inner.
void StackChildren(Control& parent, const std::vector<Control*>& children, const UiRect& inner,
                   int childPadding, bool vertical);

}  // namespace qn

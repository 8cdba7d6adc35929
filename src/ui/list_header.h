#pragma once

#include "ui/box_layout.h"

namespace qn {

// One column title of a list; its width is the column's width.
class ListHeaderItem : public Control {
public:
    ListHeaderItem();
    std::wstring_view ClassName() const override { return L"ListHeaderItem"; }
    bool SetAttribute(std::wstring_view name, std::wstring_view value) override;
    void Paint(Canvas& canvas, const UiRect& dirty) override;

private:
    Argb sepColor_ = 0;
};

// The row of column titles above a list's rows.
class ListHeader : public HorizontalLayout {
public:
    std::wstring_view ClassName() const override { return L"ListHeader"; }
};

}  // namespace qn

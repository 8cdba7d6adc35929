#pragma once

#include "ui/control.h"

namespace qn {

// Static text.
class Label : public Control {
public:
    std::wstring_view ClassName() const override { return L"Label"; }
};

}  // namespace qn

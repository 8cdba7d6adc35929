#pragma once

#include <memory>
#include <string_view>

#include "ui/control.h"

namespace qn {

// Creates a control by the class name that markup uses for it ("Button", "List", ...); null
// for a name the toolkit does not know.
std::unique_ptr<Control> CreateControlOfClass(std::wstring_view className);

// Lets a window supply controls of its own for markup elements the toolkit does not know.
class IDialogBuilderCallback {
public:
    virtual ~IDialogBuilderCallback() = default;
    // Null when the window has no control of that name either.
    virtual std::unique_ptr<Control> CreateControl(std::wstring_view className) = 0;
};

}  // namespace qn

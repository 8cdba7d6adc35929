#pragma once

#include <optional>

#include "ui/control.h"

namespace qn {

// A push button: "click" on a press and release inside it, on Space or Return while it has the
// focus, and on its caption's shortcut key.
class Button : public Control {
public:
    Button();
    std::wstring_view ClassName() const override { return L"Button"; }

    bool SetAttribute(std::wstring_view name, std::wstring_view value) override;
    bool IsFocusable() const override;
    bool Activate() override;
    void OnEvent(const UiEvent& event) override;
    void Paint(Canvas& canvas, const UiRect& dirty) override;

protected:
    bool IsPushed() const { return pushed_; }
    void PaintStatusImage(Canvas& canvas) override;
    void PaintText(Canvas& canvas) override;

    std::optional<ImageRef> normalImage_;
    std::optional<ImageRef> hotImage_;
    std::optional<ImageRef> pushedImage_;
    std::optional<ImageRef> focusedImage_;
    std::optional<ImageRef> disabledImage_;
    Argb hotBkColor_ = 0;
    Argb pushedBkColor_ = 0;
    Argb hotTextColor_ = 0;
    Argb pushedTextColor_ = 0;

private:
    bool pushed_ = false;
};

}  // namespace qn

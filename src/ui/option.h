#pragma once

#include <string>

#include "ui/button.h"

namespace qn {

// A button with a selected state. Options that share a "group" behave as radio buttons: one of
// them is selected at a time, and clicking the selected one keeps it. Without a group a click
// toggles the state. Every change raises "selectchanged".
class Option : public Button {
public:
    std::wstring_view ClassName() const override { return L"Option"; }

    bool IsSelected() const { return selected_; }
    void Selected(bool selected, bool notify = true);
    const std::wstring& Group() const { return group_; }
    void SetGroup(std::wstring group);

    bool SetAttribute(std::wstring_view name, std::wstring_view value) override;
    bool Activate() override;
    void SetManager(ControlManager* manager) override;

protected:
    void PaintStatusImage(Canvas& canvas) override;
    void PaintText(Canvas& canvas) override;

private:
    void ClearOthersInGroup();

    bool selected_ = false;
    std::wstring group_;
    std::optional<ImageRef> selectedImage_;
    std::optional<ImageRef> selectedHotImage_;
    Argb selectedTextColor_ = 0;
    Argb selectedBkColor_ = 0;
};

// A check box: an option drawn as a box with a tick.
class CheckBox : public Option {
public:
    CheckBox();
    std::wstring_view ClassName() const override { return L"CheckBox"; }
    bool GetCheck() const { return IsSelected(); }
    void SetCheck(bool check, bool notify = true) { Selected(check, notify); }
};

}  // namespace qn

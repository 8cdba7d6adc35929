#pragma once

#include <windows.h>

#include "ui/combo_box.h"
#include "ui/win32/native_window.h"

namespace qn::win32 {

class PaintManager;

// The drop-down list of a combo box: a popup under the box that shows its items, follows the
// mouse, the arrow keys and typed letters (type-ahead), and selects on click or Return. It closes
// on Escape, on a click elsewhere and when the window loses activation. The selection is made
// after it has closed.
class ComboDropWindow : public NativeWindow {
public:
    // Also gives the owner its key clock: the time of the window message being handled.
    explicit ComboDropWindow(PaintManager& owner);
    ~ComboDropWindow() override;

    void Open(ComboBox& combo);
    void Close();
    bool IsOpenFor(const Control* control) const { return combo_ == control && hwnd_ != nullptr; }
    // Keys the owner window passes on while the list is open; true when used. Plain letters
    // always are, so they never reach the window's caption shortcuts.
    bool OnKey(WPARAM key);

protected:
    const wchar_t* GetWindowClassName() const override { return L"QnComboDrop"; }
    UINT GetClassStyle() const override { return CS_DROPSHADOW; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    int ItemHeight() const;
    int ItemAt(int y) const;
    void EnsureVisible(int index);
    void Choose(int index);
    void Paint();

    PaintManager& owner_;
    ComboBox* combo_ = nullptr;
    TypeAhead typeAhead_;
    int hot_ = -1;
    int scroll_ = 0;
    int height_ = 0;
};

}  // namespace qn::win32
